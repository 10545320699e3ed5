#include "store/startup_load.h"

#include "sqlite_fixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

namespace wormpair {
namespace {

using Rows = std::vector<std::vector<QVariant>>;  // {N, factory value} per row
using Values = std::vector<double>;
constexpr double kUntouched = -1;

Values factoryValues(std::size_t count = 16) {
    Values v(16, kUntouched);
    for (std::size_t n = 1; n <= count; ++n) v[n - 1] = CoefficientSet::factory()[n];
    return v;
}

Rows rowsOf(const Values& values) {
    Rows rows;
    for (double v : values) rows.push_back({v, v});
    return rows;
}

Rows withRow(Rows rows, int number, QVariant value, QVariant factory) {
    rows[std::size_t(number - 1)] = {std::move(value), std::move(factory)};
    return rows;
}

Values withValue(Values values, int number, double value) {
    values[std::size_t(number - 1)] = value;
    return values;
}

TEST(StartupLoadTest, Cases) {
    const Rows factory = rowsOf(factoryValues());
    Rows moreRows = factory;
    moreRows.insert(moreRows.end(), 4, {99.0, 1.0});
    Rows texts;
    for (const auto& row : factory) texts.push_back({row[0].toString(), row[1].toString()});
    Values threeRows(16, 0.7);
    threeRows[0] = 0.875;
    threeRows[1] = 0.9;

    const auto table = [](Rows rows) {
        return [rows](const QString& f) {
            test::buildDatabase(f, {"CREATE TABLE nzhi (ID INTEGER PRIMARY KEY, MC, N, MRZ, JSGS)"},
                                "INSERT INTO nzhi (N, MRZ) VALUES (?, ?)", rows);
        };
    };
    // the factory rows with coefficient `number` written as an SQL literal
    const auto literal = [&](int number, const char* value) {
        return [=](const QString& f) {
            table(factory)(f);
            test::buildDatabase(
                f, {QString("UPDATE nzhi SET N = %1 WHERE rowid = %2").arg(value).arg(number)});
        };
    };
    struct Case {
        const char* name;
        std::function<void(const QString&)> prepare;
        bool ok, differs;
        Values expected;
    };
    const Case cases[] = {
        {"factory rows", table(factory), true, false, factoryValues()},
        {"a row differing before a failure",
         table(withRow(withRow(factory, 2, 0.8, 0.9), 4, QVariant(), 0.45)), false, true,
         withValue(factoryValues(3), 2, 0.8)},
        {"one row differs", table(withRow(factory, 5, 0.25, 0.0)), true, true,
         withValue(factoryValues(), 5, 0.25)},
        {"only 16 rows read", table(moreRows), true, false, factoryValues()},
        {"three rows: the last fills the rest", table({{0.875, 0.875}, {0.9, 0.9}, {0.7, 0.7}}),
         true, false, threeRows},
        {"text values parsed", table(texts), true, false, factoryValues()},
        {"text against number, equal texts", table(withRow(factory, 2, "0.9", 0.9)), true, false,
         factoryValues()},
        {"text against number, unequal texts", table(withRow(factory, 2, "0.90", 0.9)), true, true,
         factoryValues()},
        {"two texts compare as texts", table(withRow(factory, 3, "0.7", "0.70")), true, true,
         factoryValues()},
        {"integer and real compare as numbers", table(withRow(factory, 16, qlonglong(9), 9.0)),
         true, false, factoryValues()},
        {"NULL value", table(withRow(factory, 4, QVariant(), 0.45)), false, false,
         factoryValues(3)},
        {"empty text", table(withRow(factory, 4, "", 0.45)), false, false, factoryValues(3)},
        {"not a number", table(withRow(factory, 4, "0,45", 0.45)), false, false, factoryValues(3)},
        {"infinite", table(withRow(factory, 4, std::numeric_limits<double>::infinity(), 0.45)),
         false, false, factoryValues(3)},
        {"stored as 1e400", literal(4, "1e400"), false, false, factoryValues(3)},
        {"stored as -1e400", literal(4, "-1e400"), false, false, factoryValues(3)},
        {"stored as -1e308", literal(4, "-1e308"), false, false, factoryValues(3)},
        {"out of its range", table(withRow(factory, 16, 0.0, 0.0)), false, false,
         factoryValues(15)},
        {"NaN becomes NULL", table(withRow(factory, 4, std::nan(""), 0.45)), false, false,
         factoryValues(3)},
        {"empty table", table({}), false, false, factoryValues(0)},
        {"missing file", [](const QString&) {}, false, false, factoryValues(0)},
        {"not a database", [](const QString& f) { test::writeBytes(f, QByteArray(600, 'x')); },
         false, false, factoryValues(0)},
        {"no table nzhi", [](const QString& f) { test::buildDatabase(f, {"CREATE TABLE t (a)"}); },
         false, false, factoryValues(0)},
        {"nzhi with two fields",
         [](const QString& f) { test::buildDatabase(f, {"CREATE TABLE nzhi AS SELECT 1, 2"}); },
         false, false, factoryValues(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db1.mdb";
        c.prepare(path);
        const bool existed = QFile::exists(path);

        CoefficientSet set;
        for (std::size_t n = 1; n <= 16; ++n) set[n] = kUntouched;
        const StartupLoadResult result = loadCoefficients(ParameterDatabase(dir.path() + u'/'), set);
        EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
        EXPECT_EQ(result.error.isEmpty(), c.ok);
        // shown to the user after 数据初始化失败: Chinese, not a sentence in English
        EXPECT_FALSE(result.error.contains(QRegularExpression("[A-Za-z]+ [A-Za-z]+ [A-Za-z]+")))
            << result.error.toStdString();
        EXPECT_EQ(result.differsFromFactory, c.differs);
        Values loaded;
        for (std::size_t n = 1; n <= 16; ++n) loaded.push_back(set[n]);
        EXPECT_EQ(loaded, c.expected);
        EXPECT_EQ(QFile::exists(path), existed);
        EXPECT_TRUE(test::noConnectionsLeft());
    }
}

// Another process holds the write lock for a while; every access waits for it.
TEST(StartupLoadTest, WaitsForAnotherProcessHoldingTheWriteLock) {
    const std::pair<const char*, std::function<bool(const ParameterDatabase&)>> cases[] = {
        {"start-up load",
         [](const ParameterDatabase& db) {
             CoefficientSet set;
             const StartupLoadResult result = loadCoefficients(db, set);
             EXPECT_TRUE(result.ok) << result.error.toStdString();
             return result.ok;
         }},
        {"write",
         [](const ParameterDatabase& db) {
             db.writeCoefficientValues({{1, 0.5}});
             return db.readTable("nzhi").value(0, 2).toDouble() == 0.5;
         }},
    };
    for (const auto& [name, access] : cases) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        test::buildDatabase(dir.path() + "/db1.mdb",
                            {"CREATE TABLE nzhi (ID INTEGER PRIMARY KEY, MC, N, MRZ, JSGS)"},
                            "INSERT INTO nzhi (N, MRZ) VALUES (?, ?)", rowsOf(factoryValues()));
        test::WriteLockHolder holder(dir.path() + "/db1.mdb", 600);
        ASSERT_TRUE(holder.locked());
        QElapsedTimer waited;
        waited.start();
        bool done = false;
        EXPECT_NO_THROW(done = access(ParameterDatabase(dir.path() + u'/')));
        EXPECT_TRUE(done);
        EXPECT_GE(waited.elapsed(), 300);  // it did meet the lock
        EXPECT_TRUE(holder.finish());
    }
}

}  // namespace
}  // namespace wormpair
