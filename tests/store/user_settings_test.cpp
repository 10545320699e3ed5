// Restore, load and save against what breaks a database behind a program's
// back: hostile settings files, a journal or WAL a killed writer left,
// another process holding the write lock, damaged bytes.

#include "store/user_settings.h"

#include "sqlite_fixture.h"

#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>

#include "store/parameter_database.h"
#include "store/sqlite_connection.h"
#include "store/startup_load.h"

namespace wormpair {
namespace {

using test::execute;
using test::rulesOf;

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pragma(const QString& file, const char* name) {
    return test::valueOf(file, QString("PRAGMA %1").arg(name));
}

double coefficient(const ParameterDatabase& database, int number) {
    return database.readTable("nzhi").value(number - 1, 2).toDouble();
}

class UserSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::copy(factory(), live()));
        QFile::setPermissions(live(), QFile::ReadOwner | QFile::WriteOwner);
    }

    static QString factory() { return QString(WORMPAIR_PROGRAM_DIR) + "db1.ccq"; }
    QString live() const { return m_dir.filePath("db1.mdb"); }
    ParameterDatabase database() const { return ParameterDatabase(m_dir.path() + '/', WORMPAIR_PROGRAM_DIR); }

    // A copy of the factory rules changed by the statements.
    QString variant(const QString& name, const QStringList& statements) const {
        const QString file = m_dir.filePath(name + ".ccq");
        QFile::remove(file);
        EXPECT_TRUE(QFile::copy(factory(), file));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        execute(file, statements);
        return file;
    }

    // A writer killed after its changes reached db1.mdb but before it
    // committed: the file half written, the journal hot.
    void killWriterMidTransaction() const {
        const QByteArray before = bytesOf(live());
        ASSERT_TRUE(test::inKilledChild([file = live()] {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "killed");
            db.setDatabaseName(file);
            QSqlQuery query(db);
            db.open();
            query.exec("PRAGMA cache_size = 2");  // changed pages spill into the file
            query.exec("BEGIN IMMEDIATE");
            query.exec("UPDATE nzhi SET N = 9");
            query.exec("CREATE TABLE filler (x)");
            query.exec("INSERT INTO filler SELECT randomblob(3000) FROM "
                       "(WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                       "WHERE i < 100) SELECT i FROM c)");
        }));
        ASSERT_TRUE(QFile::exists(live() + "-journal"));
        ASSERT_NE(bytesOf(live()), before) << "the writer's pages reached the file";
    }

    QTemporaryDir m_dir;
};

// Each file is refused with its reason; db1.mdb stays byte for byte.
TEST_F(UserSettings, FilesThatWouldBreakTheRulesAreRefused) {
    const QString recursiveView =
        "CREATE VIEW endless AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
        "SELECT x FROM c";
    const struct {
        const char* name;
        QStringList statements;
        const char* reason;
    } cases[] = {
        {"nzhi a view whose rows vanish",
         {"ALTER TABLE nzhi RENAME TO rules",
          "CREATE VIEW nzhi AS SELECT * FROM rules WHERE date('now') < '2000-01-01'"},
         "nzhi 不是数据表"},
        {"nzhi a recursive view",
         {recursiveView, "ALTER TABLE nzhi RENAME TO rules",
          "CREATE VIEW nzhi AS SELECT rules.* FROM rules, (SELECT count(*) FROM endless)"},
         "nzhi 不是数据表"},
        {"N and the factory value swapped",
         {"CREATE TABLE moved (ID INTEGER PRIMARY KEY, MC TEXT NOT NULL, MRZ REAL, N REAL, JSGS "
          "TEXT)",
          "INSERT INTO moved SELECT ID, MC, MRZ, N, JSGS FROM nzhi", "DROP TABLE nzhi",
          "ALTER TABLE moved RENAME TO nzhi"},
         "第 3 个字段应为 N REAL"},
        {"a computed column", {"ALTER TABLE nzhi ADD COLUMN twice AS (2 * N)"}, "应有 5 个字段"},
        {"no rowid",
         {"CREATE TABLE n2 (ID INTEGER PRIMARY KEY, MC TEXT NOT NULL, N REAL, MRZ REAL, JSGS TEXT) "
          "WITHOUT ROWID",
          "INSERT INTO n2 SELECT * FROM nzhi", "DROP TABLE nzhi", "ALTER TABLE n2 RENAME TO nzhi"},
         "第 1 个字段应为 ID INTEGER"},
        {"an empty xiuyuan", {"DELETE FROM xiuyuan"}, "修缘量表 xiuyuan"},
        {"a relief amount that is text",
         {"UPDATE xiuyuan SET I40 = 'viel' WHERE ID = 2"}, "修缘量不是数字"},
        {"relief lengths short of the teeth",
         {"DELETE FROM xiuyuanchangdu WHERE ID = 8"}, "修缘长度表"},
        {"a gap between grade rows", {"UPDATE \"8ji\" SET AMIN = 170 WHERE ID = 3"}, "精度表 8ji"},
        {"grades short of 1500 mm", {"UPDATE \"6ji\" SET AMAX = 1400 WHERE ID = 6"}, "精度表 6ji"},
        {"an index that disagrees with its table",
         {"CREATE INDEX by_name ON nzhi (MC)", "PRAGMA writable_schema = ON",
          "UPDATE sqlite_schema SET sql = 'CREATE INDEX by_name ON nzhi (JSGS)' "
          "WHERE name = 'by_name'"},
         "完整性检查"},
        // values that pass as rules but stop every design or mislead the sheets
        {"a coefficient of -1e308", {"UPDATE nzhi SET N = -1e308 WHERE ID = 1"},
         "数据表 nzhi 第 1 行 N 列的值“-1e+308”不在 0.5～1 之间"},
        {"fewer wrapped teeth than one", {"UPDATE nzhi SET N = 0, MRZ = 0 WHERE ID = 16"},
         "数据表 nzhi 第 16 行 N 列的值“0”不在 3～15 之间"},
        {"an infinite factory value", {"UPDATE nzhi SET MRZ = 1e400 WHERE ID = 2"},
         "第 2 行 MRZ 列的值“inf”不是数字"},
        {"a backlash that is no number", {"UPDATE \"7ji\" SET JN = 'x' WHERE ID = 3"},
         "数据表 7ji 第 3 行 JN 列的值“x”不是数字"},
        {"a backlash of NaN", {"UPDATE \"6ji\" SET JN = 'NaN' WHERE ID = 1"},
         "数据表 6ji 第 1 行 JN 列的值“NaN”不是数字"},
        {"a tolerance of 200,000 digits",
         {"UPDATE \"8ji\" SET FPX = hex(zeroblob(100000)) WHERE ID = 2"},
         "数据表 8ji 第 2 行 FPX 列的值“000000000000000000000000…（共 200000 个字符）”过长"},
        {"a tolerance of a kilometre", {"UPDATE \"6ji\" SET FP2 = '1e9' WHERE ID = 4"},
         "FP2 列的值“1e9”不在 0～1000 之间"},
        {"a relief length that is text", {"UPDATE xiuyuanchangdu SET RKCD = 'abc' WHERE ID = 4"},
         "数据表 xiuyuanchangdu 第 4 行 RKCD 列的值“abc”不是数字"},
        {"a relief amount of 1e300", {"UPDATE xiuyuan SET I63 = 1e300 WHERE ID = 5"},
         "数据表 xiuyuan 第 5 行 I63 列的值“1e+300”不在 0～5 之间"},
        {"a name with a line break", {"UPDATE nzhi SET MC = '齿根' || char(10) || '高' WHERE ID = 2"},
         "MC 列的值“齿根\\u000a高”含有换行"},
        {"a name with terminal escapes", {"UPDATE nzhi SET MC = char(27) || '[2J' WHERE ID = 3"},
         "第 3 行 MC 列的值“\\u001b[2J”含有"},
        {"a formula turned right to left", {"UPDATE nzhi SET JSGS = char(8238) || 'N' WHERE ID = 4"},
         "第 4 行 JSGS 列的值“\\u202eN”含有"},
        {"a name of 41 characters",
         {"UPDATE nzhi SET MC = substr(replace(hex(zeroblob(21)), '0', 'x'), 1, 41) WHERE ID = 5"},
         "第 5 行 MC 列的值“xxxxxxxxxxxxxxxxxxxxxxxx…（共 41 个字符）”过长"},
    };
    const QByteArray before = bytesOf(live());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = variant("hostile", c.statements);
        try {
            loadUserSettings(database(), file);
            ADD_FAILURE() << "loaded";
        } catch (const SettingsFileError& e) {
            const QString message = QString::fromUtf8(e.what());
            EXPECT_TRUE(message.contains(QString::fromUtf8(c.reason))) << e.what();
            EXPECT_TRUE(message.endsWith("当前设置保持不变........")) << e.what();
        }
        EXPECT_EQ(bytesOf(live()), before);
    }
    // a journal beside the file: its main file alone is not what was written
    const QString file = variant("journalled", {});
    test::writeBytes(file + "-journal", QByteArray(512, '\x01'));
    EXPECT_THROW(loadUserSettings(database(), file), SettingsFileError);
    EXPECT_EQ(bytesOf(live()), before);
}

// Nothing of a loaded file but the rows of the six tables reaches db1.mdb:
// its triggers (one writes text into N, one empties 7ji on the next change),
// views, indexes, other tables and settings stay behind.
TEST_F(UserSettings, ALoadedFileLeavesOnlyItsRows) {
    const QString file = variant(
        "baggage", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1",
                    "CREATE TRIGGER text_n AFTER UPDATE ON nzhi BEGIN UPDATE nzhi SET N = 'abc'; END",
                    "CREATE TRIGGER empty_7ji AFTER UPDATE ON nzhi BEGIN DELETE FROM \"7ji\"; END",
                    "CREATE VIEW v AS SELECT 1", "CREATE TABLE other (x)",
                    "CREATE INDEX by_name ON nzhi (MC)", "PRAGMA user_version = 7",
                    "PRAGMA journal_mode = WAL"});
    ASSERT_EQ(pragma(file, "journal_mode"), "wal");
    loadUserSettings(database(), file);

    QStringList expected = rulesOf(factory());
    expected.replaceInStrings("nzhi:1|蜗杆分度圆直径指数|0.875|", "nzhi:1|蜗杆分度圆直径指数|0.5|");
    EXPECT_EQ(rulesOf(live()), expected);
    EXPECT_EQ(pragma(live(), "journal_mode"), "delete");
    EXPECT_EQ(pragma(live(), "user_version"), "0");

    database().writeCoefficientValues({{2, 0.8}});
    EXPECT_EQ(coefficient(database(), 1), 0.5);
    EXPECT_EQ(database().readTable("7ji").rowCount(), 6);
    EXPECT_FALSE(QFile::exists(live() + "-wal") || QFile::exists(live() + "-journal"));
}

// A writer killed mid-commit leaves a hot journal: reads roll it back
// instead of failing, and a load after it is not undone by the next write.
TEST_F(UserSettings, AJournalAKilledWriterLeftIsPlayedBackFirst) {
    killWriterMidTransaction();
    EXPECT_EQ(coefficient(database(), 1), 0.875);
    EXPECT_FALSE(QFile::exists(live() + "-journal"));

    killWriterMidTransaction();
    const QString file = variant("loaded", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    loadUserSettings(database(), file);
    database().writeCoefficientValues({{3, 0.71}});
    EXPECT_EQ(coefficient(database(), 1), 0.5);
    EXPECT_EQ(coefficient(database(), 3), 0.71);
    EXPECT_EQ(pragma(live(), "integrity_check"), "ok");
}

// db1.mdb in WAL mode with a WAL its killed writer never checkpointed: the
// WAL belongs to the old rules and never reaches the loaded ones.
TEST_F(UserSettings, AnOldWalNeverOverridesALoadedFile) {
    execute(live(), {"PRAGMA journal_mode = WAL"});
    ASSERT_TRUE(test::inKilledChild([file = live()] {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "killed");
        db.setDatabaseName(file);
        QSqlQuery query(db);
        db.open();
        query.exec("UPDATE nzhi SET N = 0.42 WHERE ID = 2");
    }));
    ASSERT_GT(QFileInfo(live() + "-wal").size(), 0);
    for (const double value : {0.5, 0.6}) {
        const QString file = variant("wal", {QString("UPDATE nzhi SET N = %1 WHERE ID = 1").arg(value),
                                             "PRAGMA journal_mode = WAL"});
        loadUserSettings(database(), file);
        EXPECT_EQ(coefficient(database(), 1), value);
        EXPECT_EQ(coefficient(database(), 2), 0.9);
        EXPECT_EQ(pragma(live(), "journal_mode"), "delete");
        EXPECT_FALSE(QFile::exists(live() + "-wal"));
    }
}

// Another process holds the write lock (and commits) for a while: every
// change waits its turn, and what the other committed is kept unless the
// change itself replaces the rules.
TEST_F(UserSettings, ChangesWaitForAnotherWritersCommit) {
    const QString loaded = variant("loaded", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    const QString saved = m_dir.filePath("saved.ccq");
    const struct {
        const char* name;
        std::function<void()> change;
        QString result;  // the database the change leaves
        double first, fifth;
    } cases[] = {
        {"set", [&] { database().writeCoefficientValues({{1, 0.8}}); }, live(), 0.8, 0.125},
        {"load", [&] { loadUserSettings(database(), loaded); }, live(), 0.5, 0},
        {"restore", [&] { restoreFactorySettings(database()); }, live(), 0.875, 0},
        {"save", [&] { saveUserSettings(database(), saved); }, saved, 0.875, 0.125},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restoreFactorySettings(database());
        test::WriteLockHolder holder(live(), 400, "UPDATE nzhi SET N = 0.125 WHERE ID = 5");
        ASSERT_TRUE(holder.locked());
        QElapsedTimer waited;
        waited.start();
        EXPECT_NO_THROW(c.change());
        EXPECT_GE(waited.elapsed(), 200);  // it did meet the lock
        EXPECT_TRUE(holder.finish());
        const QStringList rows = rulesOf(c.result);
        EXPECT_EQ(rows.filter(QString("nzhi:1|蜗杆分度圆直径指数|%1|").arg(c.first)).size(), 1);
        EXPECT_EQ(rows.filter(QString("nzhi:5|保留系数|%1|").arg(c.fifth)).size(), 1);
    }
}

// One rule for every change: a db1.mdb without write bits is left alone,
// by root too.
TEST_F(UserSettings, AReadOnlyDatabaseIsLeftAloneByEveryChange) {
    ASSERT_EQ(::chmod(QFile::encodeName(live()).constData(), 0444), 0);
    const QByteArray before = bytesOf(live());
    try {
        database().writeCoefficientValues({{1, 0.8}});
        ADD_FAILURE() << "written";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::ReadOnly);
    }
    EXPECT_THROW(restoreFactorySettings(database()), SettingsFileError);
    EXPECT_THROW(loadUserSettings(database(), factory()), SettingsFileError);
    EXPECT_EQ(bytesOf(live()), before);
    EXPECT_EQ(coefficient(database(), 1), 0.875) << "still read";
}

// A save never replaces the factory rules, whatever name leads to them,
// nor the live database, nor makes a nameless ".ccq"; after a refused save
// a restore still restores the factory values.
TEST_F(UserSettings, ASaveNeverTargetsTheProgramsOwnFiles) {
    const QString program = m_dir.filePath("program/");
    ASSERT_TRUE(QDir().mkpath(program) && QFile::copy(factory(), program + "db1.ccq"));
    const ParameterDatabase database(m_dir.path() + '/', program);
    ASSERT_EQ(::link(QFile::encodeName(program + "db1.ccq").constData(),
                     QFile::encodeName(m_dir.filePath("hard.ccq")).constData()), 0);
    QFile::link(program + "db1.ccq", m_dir.filePath("soft.ccq"));
    QFile::link(live(), m_dir.filePath("live.ccq"));
    QFile::link(program, m_dir.filePath("folder"));
    execute(live(), {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    const QByteArray factoryBytes = bytesOf(program + "db1.ccq"), liveBytes = bytesOf(live());
    for (const QString& chosen : {program + "db1", m_dir.filePath("hard"), m_dir.filePath("soft"),
                                  m_dir.filePath("folder/db1"), m_dir.filePath("live"),
                                  QString(), m_dir.path() + "/"}) {
        SCOPED_TRACE(chosen.toStdString());
        EXPECT_FALSE(settingsTargetProblem(database, settingsFileName(chosen)).isEmpty());
        EXPECT_THROW(saveUserSettings(database, settingsFileName(chosen)), SettingsFileError);
    }
    EXPECT_EQ(bytesOf(program + "db1.ccq"), factoryBytes);
    EXPECT_EQ(bytesOf(live()), liveBytes);
    EXPECT_FALSE(QFile::exists(settingsFileName(QString())));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(".ccq")));
    restoreFactorySettings(database);
    EXPECT_EQ(coefficient(database, 1), 0.875);
}

// Damaged copies: whatever fails SQLite's integrity check is refused, and
// whatever is loaded lets the program start.
TEST_F(UserSettings, BitFlippedFilesNeverInstallDamage) {
    const QByteArray good = bytesOf(factory());
    std::mt19937 random(16);
    int damaged = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const QByteArray before = bytesOf(live());
        QByteArray flipped = good;
        const auto position = std::uniform_int_distribution<int>(0, int(good.size()) - 1)(random);
        flipped[position] = char(flipped[position] ^ (1 << (random() % 8)));
        const QString file = m_dir.filePath("flipped.ccq");
        test::writeBytes(file, flipped);
        const bool intact = pragma(file, "integrity_check") == "ok";
        damaged += intact ? 0 : 1;
        try {
            loadUserSettings(database(), file);
            EXPECT_TRUE(intact) << "a damaged file was loaded";
            CoefficientSet set;
            EXPECT_TRUE(loadCoefficients(database(), set).ok);
            EXPECT_EQ(pragma(live(), "integrity_check"), "ok");
            restoreFactorySettings(database());
        } catch (const SettingsFileError&) {
            EXPECT_EQ(bytesOf(live()), before);
        }
    }
    EXPECT_GT(damaged, 0);
}

TEST(SqliteConnectionTest, ARunawayQueryStopsAtItsTimeLimit) {
    SqliteConnection connection = SqliteConnection::openMemory();
    connection.limitStatementTime(std::chrono::milliseconds(100));
    try {
        connection.text("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                        "SELECT count(*) FROM c");
        ADD_FAILURE() << "ran to an end";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::TimedOut) << e.what();
    }
    EXPECT_EQ(connection.text("SELECT 6 * 7"), "42") << "later statements get their own time";
}

}  // namespace
}  // namespace wormpair
