#include "store/startup_load.h"

#include "sqlite_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
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
    enum class Check { None, Passes, Throws, ThrowsOther };
    struct Case {
        const char* name;
        std::function<void(const QString&)> prepare;
        bool ok, differs;
        Values expected;
        Check check = Check::Passes;
    };
    const Case cases[] = {
        {"factory rows", table(factory), true, false, factoryValues()},
        {"no version check", table(factory), true, false, factoryValues(), Check::None},
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
        {"empty table", table({}), false, false, factoryValues(0)},
        {"missing file", [](const QString&) {}, false, false, factoryValues(0)},
        {"not a database", [](const QString& f) { test::writeBytes(f, QByteArray(600, 'x')); },
         false, false, factoryValues(0)},
        {"no table nzhi", [](const QString& f) { test::buildDatabase(f, {"CREATE TABLE t (a)"}); },
         false, false, factoryValues(0)},
        {"nzhi with two fields",
         [](const QString& f) { test::buildDatabase(f, {"CREATE TABLE nzhi AS SELECT 1, 2"}); },
         false, false, factoryValues(0)},
        {"version check throws", table(withRow(factory, 7, 1.5, 1.2)), false, true,
         withValue(factoryValues(), 7, 1.5), Check::Throws},
        {"version check throws a non-exception", table(factory), false, false, factoryValues(),
         Check::ThrowsOther},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db1.mdb";
        c.prepare(path);
        const bool existed = QFile::exists(path);

        CoefficientSet set;
        for (std::size_t n = 1; n <= 16; ++n) set[n] = kUntouched;
        int checks = 0;
        Values atCheck;
        const auto check = [&] {
            ++checks;
            for (std::size_t n = 1; n <= 16; ++n) atCheck.push_back(set[n]);
            if (c.check == Check::Throws) throw std::runtime_error("update check failed");
            if (c.check == Check::ThrowsOther) throw 42;
        };
        const StartupLoadResult result =
            loadCoefficients(ParameterDatabase(dir.path() + u'/'), set,
                             c.check == Check::None ? std::function<void()>() : check);
        EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
        EXPECT_EQ(result.error.isEmpty(), c.ok);
        EXPECT_EQ(result.differsFromFactory, c.differs);
        // the check runs once, after every value is in place, and only then
        const bool reachesCheck = c.ok || c.check == Check::Throws || c.check == Check::ThrowsOther;
        EXPECT_EQ(checks, reachesCheck && c.check != Check::None ? 1 : 0);
        if (checks == 1) {
            EXPECT_EQ(atCheck, c.expected);
        }
        Values loaded;
        for (std::size_t n = 1; n <= 16; ++n) loaded.push_back(set[n]);
        EXPECT_EQ(loaded, c.expected);
        EXPECT_EQ(QFile::exists(path), existed);
        EXPECT_TRUE(test::noConnectionsLeft());
    }
}

}  // namespace
}  // namespace wormpair
