#include "store/parameter_database.h"

#include "sqlite_fixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace wormpair {
namespace {

using test::buildDatabase;
using test::noConnectionsLeft;

class ParameterDatabaseTest : public ::testing::Test {
  protected:
    QString file() const { return m_dir.path() + "/db1.mdb"; }
    ParameterDatabase database() const { return ParameterDatabase(m_dir.path() + u'/'); }

    std::vector<double> storedN() const {
        const ParameterTable t = database().readTable("nzhi");
        std::vector<double> values;
        for (int row = 0; row < t.rowCount(); ++row) values.push_back(t.value(row, 2).toDouble());
        return values;
    }

    QTemporaryDir m_dir;
};

TEST_F(ParameterDatabaseTest, FieldsReadAsTypedInRowidOrder) {
    buildDatabase(file(), {"CREATE TABLE t (ID INTEGER PRIMARY KEY, a, b)"},
                  "INSERT INTO t VALUES (?, ?, ?)",
                  {{9, 80.0, QVariant()}, {2, qlonglong(42), 0.1}, {5, " 0.80 ", 1e-7}});
    const ParameterTable table = database().readTable("t");
    ASSERT_EQ(table.rowCount(), 3);

    struct Expected {
        int row, position;
        bool numeric;
        const char* text;
    };
    const Expected cases[] = {
        {0, 0, true, "2"},     {0, 1, true, "42"}, {0, 2, true, "0.1"}, {1, 1, false, " 0.80 "},
        {1, 2, true, "1e-07"}, {2, 1, true, "80"}, {2, 2, false, ""},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "row " << e.row << " position " << e.position);
        EXPECT_EQ(isNumericField(table.value(e.row, e.position)), e.numeric);
        EXPECT_EQ(table.text(e.row, e.position).toStdString(), e.text);
    }
    EXPECT_THROW(table.value(0, 3), DatabaseError);
    EXPECT_THROW(table.text(3, 0), DatabaseError);
    EXPECT_TRUE(noConnectionsLeft());
}

TEST_F(ParameterDatabaseTest, UnreadableDatabasesFailWithoutCreatingFiles) {
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"missing file", [](const QString&) {}},
        {"not a database", [](const QString& f) { test::writeBytes(f, QByteArray(600, 'x')); }},
        {"missing table", [](const QString& f) { buildDatabase(f, {"CREATE TABLE other (a)"}); }},
        {"directory", [](const QString& f) { ASSERT_TRUE(QDir().mkpath(f)); }},
    };
    for (const auto& [name, prepare] : cases) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db1.mdb";
        prepare(path);
        const bool existed = QFile::exists(path);
        const ParameterDatabase db(dir.path() + u'/');
        EXPECT_THROW(db.readTable("nzhi"), DatabaseError);
        EXPECT_THROW(db.writeCoefficientValues({{1, 0.5}}), DatabaseError);
        EXPECT_EQ(QFile::exists(path), existed);
        EXPECT_TRUE(noConnectionsLeft());
    }
}

TEST_F(ParameterDatabaseTest, WritesFieldNByStoredRowAtomically) {
    // rowids with gaps: row k is the k-th row in stored order
    buildDatabase(file(), {"CREATE TABLE nzhi (ID, MC, N REAL, MRZ REAL, JSGS)"},
                  "INSERT INTO nzhi (rowid, N) VALUES (?, ?)", {{10, 1.0}, {20, 2.0}, {30, 3.0}});
    database().writeCoefficientValues({{1, 0.875}, {3, 9.5}});
    EXPECT_EQ(storedN(), (std::vector<double>{0.875, 2.0, 9.5}));
    EXPECT_FALSE(QFile::exists(file() + "-journal") || QFile::exists(file() + "-wal"));

    for (int badRow : {0, 4}) {
        EXPECT_THROW(database().writeCoefficientValues({{2, 7.0}, {badRow, 7.0}}), DatabaseError);
        EXPECT_EQ(storedN(), (std::vector<double>{0.875, 2.0, 9.5}));
    }
    EXPECT_TRUE(noConnectionsLeft());
}

#ifdef WORMPAIR_MAKE_DATABASE
TEST_F(ParameterDatabaseTest, BuildToolSplitsStatementsAndFailsCleanly) {
    const auto run = [&](const QByteArray& script) {
        test::writeBytes(m_dir.path() + "/in.sql", script);
        QProcess tool;
        tool.start(WORMPAIR_MAKE_DATABASE, {m_dir.path() + "/in.sql", file()});
        EXPECT_TRUE(tool.waitForFinished(30000));
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    };
    buildDatabase(file(), {"CREATE TABLE stale (a)"});  // replaced, not extended
    ASSERT_EQ(run("\xEF\xBB\xBF-- a comment; with a semicolon\n"
                  "CREATE TABLE \"6ji\" (a, b); /* block; comment */\n"
                  "INSERT INTO \"6ji\" VALUES ('x;y', 'it''s; --fine')\n"),
              0);
    EXPECT_THROW(database().readTable("stale"), DatabaseError);
    const ParameterTable table = database().readTable("6ji");
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.text(0, 0) + "|" + table.text(0, 1), "x;y|it's; --fine");

    EXPECT_NE(run("CREATE TABLE t (a);\nINSERT INTO missing VALUES (2);\n"), 0);
    EXPECT_FALSE(QFile::exists(file()));
}
#endif

}  // namespace
}  // namespace wormpair
