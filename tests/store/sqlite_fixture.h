#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

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

inline void writeBytes(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

inline bool noConnectionsLeft() { return QSqlDatabase::connectionNames().isEmpty(); }

}  // namespace wormpair::test
