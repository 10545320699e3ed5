#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace wormpair::test {

// Runs the statements on the file (created when missing), binding each of
// `rows` to `insert`, in one transaction on a connection removed afterwards.
inline void buildDatabase(const QString& file, const QStringList& statements,
                          const QString& insert = {},
                          const std::vector<std::vector<QVariant>>& rows = {}) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test_fixture");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open() && db.transaction()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        for (const QString& s : statements) ASSERT_TRUE(query.exec(s)) << s.toStdString();
        if (!insert.isEmpty()) query.prepare(insert);
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i) query.bindValue(int(i), row[i]);
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
        }
        query = QSqlQuery();
        ASSERT_TRUE(db.commit());
    }
    QSqlDatabase::removeDatabase("test_fixture");
}

// Runs the statements one by one outside any transaction (PRAGMA
// journal_mode needs that), on a connection removed afterwards.
inline void execute(const QString& file, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test_execute");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        for (const QString& s : statements) {
            ASSERT_TRUE(query.exec(s)) << s.toStdString() << ": "
                                       << query.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase("test_execute");
}

// The first value of a query on the file, read-only ("" on failure).
inline QString valueOf(const QString& file, const QString& sql) {
    QString value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test_value");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        if (db.open() && query.exec(sql) && query.next()) value = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("test_value");
    return value;
}

// What a database holds for the program, whatever its bytes: its objects
// and every row of the six tables as text; {"damaged"} when it fails
// SQLite's integrity check.
inline QStringList rulesOf(const QString& file) {
    if (valueOf(file, "PRAGMA integrity_check") != "ok") return {"damaged"};
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test_rules");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        db.open();
        QSqlQuery query(db);
        query.exec("SELECT type || ' ' || name FROM sqlite_schema ORDER BY name");
        while (query.next()) rows << query.value(0).toString();
        for (const char* table : {"nzhi", "6ji", "7ji", "8ji", "xiuyuan", "xiuyuanchangdu"}) {
            query.exec(QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
            while (query.next()) {
                QString row = QString(table) + ':';
                for (int i = 0; i < query.record().count(); ++i) {
                    row += query.value(i).toString() + '|';
                }
                rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase("test_rules");
    return rows;
}

// Runs `body` in a child process that ends with _exit(0) right after it:
// no connection is closed, no transaction ended, as when a process is killed.
template <class Body>
inline bool inKilledChild(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline void writeBytes(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

// Another process that takes the write lock of `file` (BEGIN EXCLUSIVE and a
// write) and releases it after `holdMs`; the constructor returns once the
// lock is held. With `commit`, that statement is the write and is committed.
class WriteLockHolder {
  public:
    WriteLockHolder(const QString& file, int holdMs, const QString& commit = {}) {
        int ready[2];
        if (pipe(ready) != 0) return;
        m_child = fork();
        if (m_child == 0) {
            bool locked = false;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "lock_holder");
                db.setDatabaseName(file);
                QSqlQuery query(db);
                locked = db.open() && query.exec("BEGIN EXCLUSIVE") &&
                         query.exec(commit.isEmpty() ? "CREATE TABLE lock_holder (a)" : commit);
                (void)!write(ready[1], &locked, 1);
                usleep(static_cast<useconds_t>(holdMs) * 1000);
                locked = query.exec(commit.isEmpty() ? "ROLLBACK" : "COMMIT") && locked;
            }
            _exit(locked ? 0 : 1);
        }
        close(ready[1]);
        if (m_child > 0 && read(ready[0], &m_locked, 1) != 1) m_locked = false;
        close(ready[0]);
    }
    // True when the other process held the lock and gave it back.
    bool finish() {
        int status = -1;
        if (m_child > 0) waitpid(m_child, &status, 0);
        m_child = -1;
        return m_locked && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ~WriteLockHolder() { finish(); }
    bool locked() const { return m_locked; }

  private:
    pid_t m_child = -1;
    bool m_locked = false;
};

inline bool noConnectionsLeft() { return QSqlDatabase::connectionNames().isEmpty(); }

}  // namespace wormpair::test
