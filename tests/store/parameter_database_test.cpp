#include "store/parameter_database.h"

#include "sqlite_fixture.h"

#include <QDir>
#include <QFile>
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
    QString dir() const { return m_dir.path() + u'/'; }
    QString file() const { return dir() + QStringLiteral("db1.mdb"); }
    ParameterDatabase database() const { return ParameterDatabase(dir()); }

    QTemporaryDir m_dir;
};

TEST_F(ParameterDatabaseTest, PathsAreInTheProgramDirectory) {
    EXPECT_EQ(database().filePath(), dir() + "db1.mdb");
    EXPECT_EQ(database().factoryCopyPath(), dir() + "db1.ccq");
}

TEST_F(ParameterDatabaseTest, FieldsReadAsTypedAndAsText) {
    buildDatabase(file(), {"CREATE TABLE t (a, b)"}, "INSERT INTO t VALUES (?, ?)",
                  {{qlonglong(42), 0.1},
                   {80.0, QStringLiteral(" 0.80 ")},
                   {QVariant(), 1e-7},
                   {QStringLiteral("数据"), 0.875}});
    const ParameterTable table = database().readTable("t");
    ASSERT_EQ(table.rowCount(), 4);
    ASSERT_EQ(table.columnCount(), 2);

    struct Expected {
        int row, position;
        bool numeric;
        const char* text;
    };
    const Expected cases[] = {
        {0, 0, true, "42"}, {0, 1, true, "0.1"},   {1, 0, true, "80"},    {1, 1, false, " 0.80 "},
        {2, 0, false, ""},  {2, 1, true, "1e-07"}, {3, 0, false, "数据"}, {3, 1, true, "0.875"},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "row " << e.row << " position " << e.position);
        EXPECT_EQ(isNumericField(table.value(e.row, e.position)), e.numeric);
        EXPECT_EQ(table.text(e.row, e.position).toStdString(), e.text);
    }
    EXPECT_FALSE(table.value(2, 0).isValid());  // NULL
    EXPECT_EQ(table.value(1, 0).toDouble(), 80.0);

    EXPECT_THROW(table.value(0, 2), DatabaseError);
    EXPECT_THROW(table.text(4, 0), DatabaseError);
    EXPECT_THROW(table.value(-1, 0), DatabaseError);
    EXPECT_TRUE(noConnectionsLeft());
}

TEST_F(ParameterDatabaseTest, RowsComeInStoredOrder) {
    buildDatabase(
        file(), {"CREATE TABLE t (ID INTEGER PRIMARY KEY, v TEXT)", "INSERT INTO t VALUES (5, 'c')",
                 "INSERT INTO t VALUES (2, 'a')", "INSERT INTO t VALUES (3, 'b')"});
    const ParameterTable table = database().readTable("t");
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.text(0, 1), "a");
    EXPECT_EQ(table.text(1, 1), "b");
    EXPECT_EQ(table.text(2, 1), "c");
}

TEST_F(ParameterDatabaseTest, UnreadableDatabasesFailWithoutCreatingFiles) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> prepare;
        const char* table;
    };
    const Case cases[] = {
        {"missing file", [](const QString&) {}, "nzhi"},
        {"not a database",
         [](const QString& f) {
             QFile out(f);
             ASSERT_TRUE(out.open(QIODevice::WriteOnly));
             out.write("Standard Jet DB, but not really; just some bytes of text\n");
         },
         "nzhi"},
        {"missing table", [](const QString& f) { buildDatabase(f, {"CREATE TABLE other (a)"}); },
         "nzhi"},
        {"directory in place of the file", [](const QString& f) { ASSERT_TRUE(QDir().mkpath(f)); },
         "nzhi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db1.mdb";
        c.prepare(path);
        const bool existedBefore = QFile::exists(path);
        const ParameterDatabase db(dir.path() + u'/');
        EXPECT_THROW(db.readTable(c.table), DatabaseError);
        EXPECT_THROW(db.writeCoefficientValues({{1, 0.5}}), DatabaseError);
        EXPECT_EQ(QFile::exists(path), existedBefore);
        EXPECT_TRUE(noConnectionsLeft());
    }
}

class CoefficientWriteTest : public ParameterDatabaseTest {
  protected:
    void SetUp() override {
        // rowids with gaps: row k is the k-th row in stored order, not rowid k
        buildDatabase(file(),
                      {"CREATE TABLE nzhi (ID INTEGER, MC TEXT, N REAL, MRZ REAL, JSGS TEXT)"},
                      "INSERT INTO nzhi (rowid, ID, MC, N, MRZ, JSGS) VALUES (?, ?, '', ?, ?, '')",
                      {{10, 1, 1.0, 1.0}, {20, 2, 2.0, 2.0}, {30, 3, 3.0, 3.0}});
    }

    std::vector<double> values() const {
        const ParameterTable table = database().readTable("nzhi");
        std::vector<double> result;
        for (int row = 0; row < table.rowCount(); ++row) {
            result.push_back(table.value(row, 2).toDouble());
        }
        return result;
    }
};

TEST_F(CoefficientWriteTest, WritesFieldNByStoredRow) {
    database().writeCoefficientValues({{1, 0.875}, {3, 9.5}});
    EXPECT_EQ(values(), (std::vector<double>{0.875, 2.0, 9.5}));
    EXPECT_FALSE(QFile::exists(file() + "-journal"));
    EXPECT_FALSE(QFile::exists(file() + "-wal"));
    EXPECT_TRUE(noConnectionsLeft());
}

TEST_F(CoefficientWriteTest, BadRowWritesNothing) {
    for (int badRow : {0, 4, -1}) {
        SCOPED_TRACE(badRow);
        EXPECT_THROW(database().writeCoefficientValues({{1, 7.0}, {badRow, 7.0}}), DatabaseError);
        EXPECT_EQ(values(), (std::vector<double>{1.0, 2.0, 3.0}));
        EXPECT_TRUE(noConnectionsLeft());
    }
}

#ifdef WORMPAIR_MAKE_DATABASE

// The build tool: statements split correctly, failures leave no output.
class MakeDatabaseTest : public ParameterDatabaseTest {
  protected:
    int run(const QByteArray& script) {
        QFile sql(dir() + "in.sql");
        EXPECT_TRUE(sql.open(QIODevice::WriteOnly));
        sql.write(script);
        sql.close();
        QProcess process;
        process.start(WORMPAIR_MAKE_DATABASE, {sql.fileName(), file()});
        EXPECT_TRUE(process.waitForFinished(30000));
        m_stderr = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QByteArray m_stderr;
};

TEST_F(MakeDatabaseTest, QuotedSemicolonsAndCommentsSurvive) {
    buildDatabase(file(), {"CREATE TABLE stale (a)"});  // replaced, not extended
    const QByteArray script =
        "\xEF\xBB\xBF-- a comment; with a semicolon\n"
        "CREATE TABLE \"6ji\" (a TEXT, b TEXT); /* block; comment */\n"
        "INSERT INTO \"6ji\" VALUES ('x;y', 'it''s; fine');\n"
        "INSERT INTO \"6ji\" VALUES ('齿根高 hf = N × mt', '--not a comment')\n";
    ASSERT_EQ(run(script), 0) << m_stderr.constData();
    EXPECT_THROW(database().readTable("stale"), DatabaseError);
    const ParameterTable table = database().readTable("6ji");
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.text(0, 0), "x;y");
    EXPECT_EQ(table.text(0, 1), "it's; fine");
    EXPECT_EQ(table.text(1, 0), QStringLiteral("齿根高 hf = N × mt"));
    EXPECT_EQ(table.text(1, 1), "--not a comment");
}

TEST_F(MakeDatabaseTest, SqlErrorFailsAndLeavesNoFile) {
    const QByteArray script =
        "CREATE TABLE t (a);\n"
        "INSERT INTO t VALUES (1);\n"
        "INSERT INTO missing VALUES (2);\n";
    EXPECT_NE(run(script), 0);
    EXPECT_TRUE(m_stderr.contains("missing")) << m_stderr.constData();
    EXPECT_FALSE(QFile::exists(file()));
}

#endif

}  // namespace
}  // namespace wormpair
