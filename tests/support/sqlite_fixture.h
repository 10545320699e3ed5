#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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
