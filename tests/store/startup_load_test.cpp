#include "store/startup_load.h"

#include "sqlite_fixture.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace wormpair {
namespace {

using test::buildDatabase;
using test::noConnectionsLeft;

constexpr double kUntouched = -1;  // every coefficient starts here

struct Row {
    QVariant value;    // N
    QVariant factory;  // factory value
};

std::vector<Row> factoryRows() {
    const CoefficientSet factory = CoefficientSet::factory();
    std::vector<Row> rows;
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n)
        rows.push_back({factory[n], factory[n]});
    return rows;
}

std::vector<Row> withRow(std::vector<Row> rows, int number, QVariant value, QVariant factory) {
    rows[static_cast<std::size_t>(number - 1)] = {std::move(value), std::move(factory)};
    return rows;
}

QString shortest(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

std::vector<double> factoryValues() {
    std::vector<double> values;
    const CoefficientSet factory = CoefficientSet::factory();
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) values.push_back(factory[n]);
    return values;
}

// The factory values up to coefficient `count`, untouched after it.
std::vector<double> factoryUpTo(std::size_t count) {
    std::vector<double> values = factoryValues();
    for (std::size_t i = count; i < values.size(); ++i) values[i] = kUntouched;
    return values;
}

std::vector<double> valuesOf(const CoefficientSet& set) {
    std::vector<double> values;
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) values.push_back(set[n]);
    return values;
}

CoefficientSet untouchedSet() {
    CoefficientSet set;
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) set[n] = kUntouched;
    return set;
}

class StartupLoadTest : public ::testing::Test {
  protected:
    QString dir() const { return m_dir.path() + u'/'; }
    QString file() const { return dir() + QStringLiteral("db1.mdb"); }

    // nzhi with untyped N and factory fields, so each value keeps the type given
    void writeTable(const std::vector<Row>& rows) {
        QFile::remove(file());
        std::vector<std::vector<QVariant>> bound;
        for (const Row& row : rows) bound.push_back({row.value, row.factory});
        buildDatabase(file(),
                      {"CREATE TABLE nzhi (ID INTEGER PRIMARY KEY, MC TEXT, N, MRZ, JSGS TEXT)"},
                      "INSERT INTO nzhi (MC, N, MRZ, JSGS) VALUES ('名称', ?, ?, '公式')", bound);
    }

    QTemporaryDir m_dir;
};

TEST_F(StartupLoadTest, RowsToCoefficients) {
    std::vector<Row> moreRows = factoryRows();
    for (int i = 0; i < 4; ++i) moreRows.push_back({99.0, 1.0});

    std::vector<Row> textRows;
    for (const Row& row : factoryRows()) {
        textRows.push_back({shortest(row.value.toDouble()), shortest(row.factory.toDouble())});
    }

    std::vector<double> differing = factoryValues();
    differing[4] = 0.25;
    std::vector<double> threeRows(16, 0.7);
    threeRows[0] = 0.875;
    threeRows[1] = 0.9;
    std::vector<double> threeRowsChanged = threeRows;
    std::fill(threeRowsChanged.begin() + 2, threeRowsChanged.end(), 2.5);

    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool ok;
        bool differs;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"factory rows", factoryRows(), true, false, factoryValues()},
        {"one row differs", withRow(factoryRows(), 5, 0.25, 0.0), true, true, differing},
        {"rows past 16 are not read", moreRows, true, false, factoryValues()},
        {"three rows: the last one fills the rest",
         {{0.875, 0.875}, {0.9, 0.9}, {0.7, 0.7}},
         true,
         false,
         threeRows},
        {"three rows, the last one differing",
         {{0.875, 0.875}, {0.9, 0.9}, {2.5, 0.7}},
         true,
         true,
         threeRowsChanged},
        {"text values parsed", textRows, true, false, factoryValues()},
        {"text value equal to a number by its text",
         withRow(factoryRows(), 2, QStringLiteral("0.9"), 0.9), true, false, factoryValues()},
        {"text value unequal to a number by its text",
         withRow(factoryRows(), 2, QStringLiteral("0.90"), 0.9), true, true, factoryValues()},
        {"two texts compare as texts",
         withRow(factoryRows(), 3, QStringLiteral("0.7"), QStringLiteral("0.70")), true, true,
         factoryValues()},
        {"integer and real compare as numbers", withRow(factoryRows(), 16, qlonglong(9), 9.0), true,
         false, factoryValues()},
        {"missing factory value", withRow(factoryRows(), 5, 0.0, QVariant()), true, true,
         factoryValues()},
        {"NULL value", withRow(factoryRows(), 4, QVariant(), 0.45), false, false, factoryUpTo(3)},
        {"empty text value", withRow(factoryRows(), 4, QString(""), 0.45), false, false,
         factoryUpTo(3)},
        {"text that is no number", withRow(factoryRows(), 4, QStringLiteral("0,45"), 0.45), false,
         false, factoryUpTo(3)},
        {"empty table", {}, false, false, factoryUpTo(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeTable(c.rows);
        CoefficientSet set = untouchedSet();
        int checks = 0;
        const StartupLoadResult result =
            loadCoefficients(ParameterDatabase(dir()), set, [&] { ++checks; });
        EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
        EXPECT_EQ(result.error.isEmpty(), c.ok);
        if (c.ok) {
            EXPECT_EQ(result.differsFromFactory, c.differs);
        }
        EXPECT_EQ(checks, c.ok ? 1 : 0);
        EXPECT_EQ(valuesOf(set), c.expected);
        EXPECT_TRUE(noConnectionsLeft());
    }
}

TEST_F(StartupLoadTest, UnusableDatabaseFails) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> prepare;
    };
    const Case cases[] = {
        {"missing file", [](const QString&) {}},
        {"not a database",
         [](const QString& f) {
             QFile out(f);
             ASSERT_TRUE(out.open(QIODevice::WriteOnly));
             out.write(QByteArray(4096, 'x'));
         }},
        {"no table nzhi", [](const QString& f) { buildDatabase(f, {"CREATE TABLE \"6ji\" (a)"}); }},
        {"nzhi without a third field",
         [](const QString& f) {
             buildDatabase(f, {"CREATE TABLE nzhi (ID, MC)", "INSERT INTO nzhi VALUES (1, 'a')"});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db1.mdb";
        c.prepare(path);
        const bool existed = QFile::exists(path);
        CoefficientSet set = untouchedSet();
        bool checked = false;
        const StartupLoadResult result =
            loadCoefficients(ParameterDatabase(dir.path() + u'/'), set, [&] { checked = true; });
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_FALSE(checked);
        EXPECT_EQ(valuesOf(set), factoryUpTo(0));
        EXPECT_EQ(QFile::exists(path), existed);
        EXPECT_TRUE(noConnectionsLeft());
    }
}

TEST_F(StartupLoadTest, VersionCheck) {
    writeTable(withRow(factoryRows(), 7, 1.5, 1.2));
    std::vector<double> expected = factoryValues();
    expected[6] = 1.5;

    struct Case {
        const char* name;
        std::function<void()> check;
        bool ok;
    };
    const Case cases[] = {
        {"no check", {}, true},
        {"check passes", [] {}, true},
        {"check throws", [] { throw std::runtime_error("update check failed"); }, false},
        {"check throws something else", [] { throw 42; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoefficientSet set = untouchedSet();
        const StartupLoadResult result = loadCoefficients(ParameterDatabase(dir()), set, c.check);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(result.error.isEmpty(), c.ok);
        EXPECT_TRUE(result.differsFromFactory);
        // all 16 values are in place before the check runs
        EXPECT_EQ(valuesOf(set), expected);
        EXPECT_TRUE(noConnectionsLeft());
    }
}

TEST_F(StartupLoadTest, WrittenValuesLoadBack) {
    writeTable(factoryRows());
    ParameterDatabase(dir()).writeCoefficientValues({{2, 1.0}, {15, 0.8}});
    CoefficientSet set = untouchedSet();
    const StartupLoadResult result = loadCoefficients(ParameterDatabase(dir()), set, {});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(result.differsFromFactory);
    EXPECT_EQ(set.dedendumFactor, 1.0);
    EXPECT_EQ(set.rimWidthFactor, 0.8);
    EXPECT_EQ(set.addendumFactor, 0.7);
}

}  // namespace
}  // namespace wormpair
