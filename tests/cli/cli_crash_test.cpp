// The tool run as a user runs it, killed (kill -9) at every flush and rename
// of a rule change, a load, a restore, a save and an export, each followed
// by a normal run; another process holding the write lock; a file-size
// limit; and four processes changing the rules while loads run.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "application_environment.h"
#include "crash_points.h"
#include "sqlite_fixture.h"

namespace wormpair {
namespace {

[[maybe_unused]] auto* const environment =
    wormpair::testing::installApplication<QCoreApplication>();

using testing::ProgramRun;
using testing::runProgram;
using test::rulesOf;

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program directory of its own: the tool (linked, or copied) and its data.
class ProgramDirectory {
  public:
    ProgramDirectory() {
        for (const char* name : {"db1.mdb", "db1.ccq", "v.txt", "1.xls", "111.xls"}) {
            QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, path(name));
            QFile::setPermissions(path(name), QFile::ReadOwner | QFile::WriteOwner);
        }
        QDir().mkpath(path("tmp"));
        m_tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(path("tmp")));
        // the tool takes its program directory from where it lies
        if (::link(WORMPAIR_CLI, QFile::encodeName(path("wormpair-cli")).constData()) != 0) {
            QFile::copy(WORMPAIR_CLI, path("wormpair-cli"));
        }
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    std::vector<std::string> command(const QStringList& arguments) const {
        std::vector<std::string> command{path("wormpair-cli").toStdString()};
        for (const QString& argument : arguments) command.push_back(argument.toStdString());
        return command;
    }
    ProgramRun run(const QStringList& arguments) const { return runProgram(command(arguments)); }
    QString live() const { return path("db1.mdb"); }

    // A copy of the factory rules changed by the statements.
    QString variant(const QString& name, const QStringList& statements) const {
        QFile::remove(path(name));
        QFile::copy(path("db1.ccq"), path(name));
        QFile::setPermissions(path(name), QFile::ReadOwner | QFile::WriteOwner);
        test::execute(path(name), statements);
        return path(name);
    }
    // db1.mdb as the bytes given, with no journal beside it.
    void putLive(const QByteArray& bytes) const {
        for (const char* side : {"-journal", "-wal", "-shm"}) QFile::remove(live() + side);
        test::writeBytes(live(), bytes);
    }
    // Names a crash may have left: temporary files and SQLite's journals
    // beside the rules, and anything in the temporary folder the tool is
    // given (TMPDIR).
    QStringList leftovers() const {
        return QDir(m_dir.path()).entryList({".wp-*", "*-journal", "*-wal"},
                                            QDir::Files | QDir::Hidden | QDir::System) +
               QDir(path("tmp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    ~ProgramDirectory() {
        if (m_tmpdir.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", m_tmpdir);
        }
    }
    ProgramDirectory(const ProgramDirectory&) = delete;
    ProgramDirectory& operator=(const ProgramDirectory&) = delete;

  private:
    QTemporaryDir m_dir;
    QByteArray m_tmpdir;
};

double coefficientOf(const ProgramRun& listing, int number) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(listing.output))
        .object()
        .value("rules")
        .toArray()
        .at(number - 1)
        .toObject()
        .value("value")
        .toDouble(-1);
}

class CliCrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::straceWorks()) GTEST_SKIP() << "strace cannot trace here";
    }
};

// The killed commit of a rule change, at every flush and rename: the rules
// still read (old or new), and a load and a set after it keep what they
// wrote.
TEST_F(CliCrashTest, EveryKilledRuleChangeLeavesRulesThatLoadAndChange) {
    const ProgramDirectory program;
    const QByteArray factory = bytesOf(program.path("db1.ccq"));
    const QString good = program.variant("good.ccq", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    const int points = testing::forEveryKillPoint(
        program.command({"rules", "set", "2", "0.95"}), [&] { program.putLive(factory); },
        [&](const std::string& where) {
            SCOPED_TRACE(where);
            const ProgramRun listing = program.run({"rules", "--json"});
            ASSERT_EQ(listing.status, 0) << listing.output;
            const double second = coefficientOf(listing, 2);
            EXPECT_TRUE(second == 0.9 || second == 0.95) << second;
            ASSERT_EQ(program.run({"rules", "load", good}).status, 0);
            ASSERT_EQ(program.run({"rules", "set", "3", "0.71"}).status, 0);
            const ProgramRun after = program.run({"rules", "--json"});
            EXPECT_EQ(coefficientOf(after, 1), 0.5) << "the loaded rules are kept";
            EXPECT_EQ(coefficientOf(after, 2), 0.9);
            EXPECT_EQ(coefficientOf(after, 3), 0.71);
            EXPECT_EQ(program.leftovers(), QStringList());
        });
    EXPECT_GE(points, 4);
}

// Killed at every flush and rename, followed by a normal run: the live
// rules and the file saved are each the old or the new, never mixed, and
// nothing temporary is left.
TEST_F(CliCrashTest, EveryKilledLoadRestoreOrSaveLeavesTheOldStateOrTheNew) {
    const ProgramDirectory program;
    const QString changed = program.variant("changed.mdb", {"UPDATE nzhi SET N = 0.8 WHERE ID = 1"});
    const QString good = program.variant("good.ccq", {"UPDATE \"7ji\" SET FPX = '15' WHERE ID = 2",
                                                      "UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    const QString saved = program.path("saved.ccq");
    const QByteArray oldLive = bytesOf(changed);
    const QByteArray oldSaved = bytesOf(good);
    const struct {
        const char* name;
        QStringList arguments;
        QString newRules;  // the database whose rules the change leaves
    } changes[] = {
        {"load", {"rules", "load", good}, good},
        {"restore", {"rules", "restore"}, program.path("db1.ccq")},
        {"save", {"rules", "save", program.path("saved"), "--overwrite"}, changed},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        const bool saving = change.name == std::string("save");
        const QStringList oldRules = rulesOf(changed), newRules = rulesOf(change.newRules);
        const int points = testing::forEveryKillPoint(
            program.command(change.arguments),
            [&] {
                program.putLive(oldLive);
                test::writeBytes(saved, oldSaved);
            },
            [&](const std::string& where) {
                SCOPED_TRACE(where);
                const QByteArray savedNow = bytesOf(saved);
                ASSERT_EQ(program.run({"rules"}).status, 0) << "the normal run";
                if (saving) {
                    EXPECT_EQ(rulesOf(program.live()), oldRules);
                    EXPECT_TRUE(savedNow == oldSaved || rulesOf(saved) == newRules);
                } else {
                    const QStringList now = rulesOf(program.live());
                    EXPECT_TRUE(now == oldRules || now == newRules) << now.join('\n').toStdString();
                }
                EXPECT_EQ(program.leftovers(), QStringList());
            });
        EXPECT_GE(points, 2);
    }
}

TEST_F(CliCrashTest, EveryKilledExportLeavesTheOldSheetOrTheNew) {
    const ProgramDirectory program;
    QStringList cells = {"cells", program.path("111.xls"), "-o", program.path("design.cqb")};
    const QStringList texts = {"160", "45",        "45",         "1", "104", "0.5", "56",
                               "0.2", "7j",        "右旋",       "0.4 * 3.6",
                               "0.27 * 2.4",       "2"};
    for (int row = 0; row < texts.size(); ++row) {
        cells << "--set" << QString("A%1=%2").arg(row + 1).arg(texts[row]);
    }
    ASSERT_EQ(program.run(cells).status, 0);
    const QStringList export_ = {"export", "worm", program.path("design.cqb"), "-o",
                                 program.path("worm.xls")};
    ASSERT_EQ(program.run(export_).status, 0);
    const QByteArray newSheet = bytesOf(program.path("worm.xls"));
    const QByteArray oldSheet = "the sheet exported before";
    const int points = testing::forEveryKillPoint(
        program.command(export_), [&] { test::writeBytes(program.path("worm.xls"), oldSheet); },
        [&](const std::string& where) {
            SCOPED_TRACE(where);
            const QByteArray now = bytesOf(program.path("worm.xls"));
            EXPECT_TRUE(now == oldSheet || now == newSheet);
            ASSERT_EQ(program.run(export_).status, 0) << "the normal run";
            EXPECT_EQ(program.leftovers(), QStringList());
        });
    EXPECT_GE(points, 2);
}

// Another process holds the write lock longer than the tool waits: the
// change is refused, says why, and what the other process commits is kept.
TEST_F(CliCrashTest, ALockHeldTooLongRefusesTheChangeAndKeepsTheOtherCommit) {
    const ProgramDirectory program;
    const QString good = program.variant("good.ccq", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    for (const QStringList& change : {QStringList{"rules", "load", good},
                                      QStringList{"rules", "set", "1", "0.8"}}) {
        SCOPED_TRACE(change.join(' ').toStdString());
        program.putLive(bytesOf(program.path("db1.ccq")));
        test::WriteLockHolder holder(program.live(), 6500, "UPDATE nzhi SET N = 0.125 WHERE ID = 5");
        ASSERT_TRUE(holder.locked());
        const ProgramRun refused = program.run(change);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.output.find("另一程序"), std::string::npos) << refused.output;
        ASSERT_TRUE(holder.finish());
        const ProgramRun listing = program.run({"rules", "--json"});
        EXPECT_EQ(coefficientOf(listing, 5), 0.125);
        EXPECT_EQ(coefficientOf(listing, 1), 0.875);
    }
}

// Past the file-size limit a write fails: the tool says so, the rules are
// unchanged and no journal is left (the kernel's SIGXFSZ would have killed
// it mid-write).
TEST_F(CliCrashTest, AWritePastTheFileSizeLimitFailsWithAMessage) {
    const ProgramDirectory program;
    const QString good = program.variant("good.ccq", {"UPDATE nzhi SET N = 0.5 WHERE ID = 1"});
    const QByteArray before = bytesOf(program.live());
    for (const QStringList& change : {QStringList{"rules", "set", "1", "0.8"},
                                      QStringList{"rules", "load", good}}) {
        SCOPED_TRACE(change.join(' ').toStdString());
        const ProgramRun run = runProgram(program.command(change), 4096);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("文件大小限制"), std::string::npos) << run.output;
        EXPECT_EQ(bytesOf(program.live()), before);
        EXPECT_EQ(program.leftovers(), QStringList());
    }
}

// One change of the rules as the processes saw it: a set writes one row, a
// load all of them.
struct Change {
    int row;  // 1 to 16, or 0 for every row
    double value;  // a load's: what it adds to each factory value (loadValue)
    std::int64_t start, end;  // steady clock, ns, the same in every process
    bool ok;
};
// The sixteen values as one process read them.
struct Reading {
    std::array<double, 16> values;
    std::int64_t start, end;
};

std::int64_t now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::array<double, 16> readRules(const QString& file) {
    std::array<double, 16> values{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
        QSqlQuery query(db);
        if (db.open() && query.exec("SELECT N FROM nzhi ORDER BY rowid")) {
            for (std::size_t i = 0; i < 16 && query.next(); ++i) values[i] = query.value(0).toDouble();
        }
    }
    QSqlDatabase::removeDatabase("reader");
    return values;
}

template <class Record>
void append(const QString& file, const Record& record) {
    QFile out(file);
    out.open(QIODevice::Append);
    out.write(reinterpret_cast<const char*>(&record), sizeof record);
}

template <class Record>
std::vector<Record> recordsOf(const QString& file) {
    const QByteArray bytes = bytesOf(file);
    std::vector<Record> records(std::size_t(bytes.size()) / sizeof(Record));
    std::memcpy(records.data(), bytes.constData(), records.size() * sizeof(Record));
    return records;
}

// Whether `value` of `row`, read during `reading`, is one a correct store may
// show: written by a change that began before the reading ended, with no
// successful change of the row wholly after that change and wholly before
// the reading. A lost or rolled-back change shows as a value that fails this.
// Each load puts the factory values, each moved by its own step that keeps
// them within their ranges, into every row.
double loadValue(const std::array<double, 16>& factory, int row, double step) {
    return factory[std::size_t(row - 1)] + step;
}

bool mayBeRead(int row, double value, std::int64_t readStart, std::int64_t readEnd,
               const std::vector<Change>& changes, const std::array<double, 16>& factory) {
    const auto touches = [row](const Change& c) { return c.row == 0 || c.row == row; };
    const auto written = [&](const Change& c) {
        return c.row == 0 ? loadValue(factory, row, c.value) : c.value;
    };
    for (const Change& candidate : changes) {
        if (!touches(candidate) || written(candidate) != value || candidate.start >= readEnd) {
            continue;
        }
        const bool overwritten = std::any_of(changes.begin(), changes.end(), [&](const Change& c) {
            return c.ok && touches(c) && c.start > candidate.end && c.end < readStart;
        });
        if (!overwritten) return true;
    }
    return false;
}

std::int64_t median(std::vector<std::int64_t> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Four processes each set their own coefficient 200 times and read all of
// them back after each success, while a fifth loads settings files whose
// sixteen values are moved by a step of their own.
TEST(CliConcurrency, SetsWithLoadsInBetweenLoseNothing) {
    const ProgramDirectory program;
    constexpr int kWorkers = 4, kSets = 200;
    const QString stop = program.path("stop");
    std::vector<pid_t> children;
    const auto started = now();
    for (int worker = 0; worker < kWorkers; ++worker) {
        const pid_t child = fork();
        if (child == 0) {
            const QString log = program.path(QString("changes-%1").arg(worker));
            for (int n = 1; n <= kSets; ++n) {
                const int row = worker + 1;
                // 0.6001 to 0.6200: within the ranges of rows 1 to 4, and no
                // factory or loaded value
                const QString text = QString("0.6%1").arg(n, 3, 10, QChar('0'));
                Change change{row, text.toDouble(), now(), 0, false};
                change.ok = program.run({"rules", "set", QString::number(row), text}).status == 0;
                change.end = now();
                append(log, change);
                if (!change.ok) continue;
                Reading reading{{}, now(), 0};
                reading.values = readRules(program.live());
                reading.end = now();
                append(program.path(QString("readings-%1").arg(worker)), reading);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    const pid_t loader = fork();
    if (loader == 0) {
        for (int k = 1; !QFile::exists(stop); ++k) {
            // exact in binary, so SQLite's sum is the test's
            const double step = k / 1048576.0;
            const QString file = program.variant(
                "marker.ccq", {QString("UPDATE nzhi SET N = MRZ + %1 / 1048576.0").arg(k)});
            Change change{0, step, now(), 0, false};
            change.ok = program.run({"rules", "load", file}).status == 0;
            change.end = now();
            append(program.path("changes-loads"), change);
        }
        _exit(0);
    }
    for (const pid_t child : children) waitpid(child, nullptr, 0);
    test::writeBytes(stop, "");
    waitpid(loader, nullptr, 0);
    const auto ended = now();

    // the factory rules, there before any change
    const std::array<double, 16> factory = readRules(program.path("db1.ccq"));
    std::vector<Change> changes;
    for (std::size_t i = 0; i < 16; ++i) changes.push_back({int(i) + 1, factory[i], 0, 0, true});
    std::vector<Reading> readings;
    for (const QString& log : QDir(program.path("")).entryList({"changes-*"})) {
        const std::vector<Change> logged = recordsOf<Change>(program.path(log));
        changes.insert(changes.end(), logged.begin(), logged.end());
    }
    for (const QString& log : QDir(program.path("")).entryList({"readings-*"})) {
        const std::vector<Reading> logged = recordsOf<Reading>(program.path(log));
        readings.insert(readings.end(), logged.begin(), logged.end());
    }
    readings.push_back({readRules(program.live()), now(), now()});

    int stale = 0, mixed = 0;
    for (const Reading& reading : readings) {
        for (int row = 1; row <= 16; ++row) {
            if (!mayBeRead(row, reading.values[std::size_t(row - 1)], reading.start, reading.end,
                           changes, factory)) {
                ++stale;
            }
        }
        // rows no worker sets change only by whole loads: all from the
        // factory or all from one load (row 5's factory value is 0, so it
        // shows the load's step)
        const double step = reading.values[kWorkers];
        bool oneLoad = true;
        for (int row = kWorkers + 1; row <= 16; ++row) {
            oneLoad = oneLoad && reading.values[std::size_t(row - 1)] == loadValue(factory, row, step);
        }
        if (!oneLoad) ++mixed;
    }
    int setsDone = 0, setsRefused = 0, loadsDone = 0, loadsRefused = 0;
    std::vector<std::int64_t> setTimes, loadTimes;
    for (const Change& c : changes) {
        if (c.end == 0) continue;
        (c.row == 0 ? (c.ok ? loadsDone : loadsRefused) : (c.ok ? setsDone : setsRefused))++;
        (c.row == 0 ? loadTimes : setTimes).push_back(c.end - c.start);
    }
    std::printf("%d processes x %d sets with loads between, in %.1f s: %d sets done, %d refused; "
                "%d loads done, %d refused; %zu readings, %d stale values, %d mixed readings; "
                "median set %.1f ms, median load %.1f ms\n",
                kWorkers, kSets, double(ended - started) / 1e9, setsDone, setsRefused, loadsDone,
                loadsRefused, readings.size(), stale, mixed, double(median(setTimes)) / 1e6,
                double(median(loadTimes)) / 1e6);
    EXPECT_EQ(setsDone + setsRefused, kWorkers * kSets);
    EXPECT_GT(loadsDone, 10) << "loads ran between the sets";
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(rulesOf(program.live()).filter("damaged").size(), 0);
    EXPECT_EQ(program.leftovers(), QStringList());
}

// An installed (read-only) program folder and no db1.mdb yet in the user's
// data folder: three sets at once each make the first copy; each one reported
// done is kept, and one that failed has no effect.
TEST(CliConcurrency, FirstUseByParallelSetsLosesNothing) {
    ProgramDirectory program;
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    ASSERT_TRUE(QFile::setPermissions(program.path(""), QFile::ReadOwner | QFile::ExeOwner));
    const std::array<double, 16> factory = readRules(program.path("db1.ccq"));
    constexpr int kTrials = 20, kWriters = 3;
    int lost = 0, failed = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const QString data = program.path(QString("tmp/data-%1").arg(trial));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const auto valueOf = [trial](int w) { return QString::number(0.6 + 0.01 * trial + 0.002 * w); };
        std::array<pid_t, kWriters> writers{};
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        for (int w = 0; w < kWriters; ++w) {
            writers[std::size_t(w)] = fork();
            if (writers[std::size_t(w)] == 0) {
                // all start together once the pipe is closed
                ::close(start[1]);
                char none;
                (void)::read(start[0], &none, 1);
                _exit(program.run({"rules", "set", QString::number(w + 1), valueOf(w)}).status);
            }
        }
        ::close(start[0]);
        ::close(start[1]);
        std::array<bool, kWriters> done{};
        for (int w = 0; w < kWriters; ++w) {
            int status = 0;
            waitpid(writers[std::size_t(w)], &status, 0);
            done[std::size_t(w)] = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            failed += !done[std::size_t(w)];
        }
        const std::array<double, 16> kept = readRules(data + "/wormpair/db1.mdb");
        for (int w = 0; w < kWriters; ++w) {
            const double expected = done[std::size_t(w)] ? valueOf(w).toDouble() : factory[std::size_t(w)];
            lost += kept[std::size_t(w)] != expected;
        }
    }
    QFile::setPermissions(program.path(""), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (home.isEmpty()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", home);
    }
    std::printf("%d trials x %d writers on first use: %d failed, %d lost or wrongly kept\n",
                kTrials, kWriters, failed, lost);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(failed, 0) << "three short sets wait for each other";
}

}  // namespace
}  // namespace wormpair
