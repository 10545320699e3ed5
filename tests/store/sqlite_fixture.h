#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <vector>

// Builds small SQLite files for the store tests with a connection of its own,
// removed again before returning.

namespace wormpair::test {

// Runs the statements on the database file (created when missing); each row of
// `rows` is bound to `insert` in turn when `insert` is not empty.
inline void buildDatabase(const QString& file, const QStringList& statements,
                          const QString& insert = QString(),
                          const std::vector<std::vector<QVariant>>& rows = {}) {
    const QString name = QStringLiteral("test_fixture");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        ASSERT_TRUE(db.transaction());
        QSqlQuery query(db);
        for (const QString& statement : statements) {
            ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
        }
        if (!insert.isEmpty()) {
            query.prepare(insert);
            for (const auto& row : rows) {
                for (std::size_t i = 0; i < row.size(); ++i) {
                    query.bindValue(static_cast<int>(i), row[i]);
                }
                ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
            }
        }
        query = QSqlQuery();
        ASSERT_TRUE(db.commit());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// True when no database connection at all is registered.
inline bool noConnectionsLeft() { return QSqlDatabase::connectionNames().isEmpty(); }

}  // namespace wormpair::test
