// The database shipped in the program directory: its layout by position and
// the soundness of its ranges and values.

#include "calc/coefficients.h"
#include "calc/numeric.h"
#include "store/parameter_database.h"
#include "store/startup_load.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wormpair {
namespace {

const ParameterDatabase& shipped() {
    static const ParameterDatabase database(QStringLiteral(WORMPAIR_PROGRAM_DIR));
    return database;
}

double number(const ParameterTable& table, int row, int position) {
    const QVariant v = table.value(row, position);
    if (isNumericField(v)) return v.toDouble();
    return parseReal(table.text(row, position).toStdString());
}

TEST(ShippedDatabaseTest, LoadsTheFactoryCoefficients) {
    CoefficientSet loaded;
    int checks = 0;
    const StartupLoadResult result = loadCoefficients(shipped(), loaded, [&] { ++checks; });
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(result.differsFromFactory);
    EXPECT_EQ(checks, 1);
    const CoefficientSet factory = CoefficientSet::factory();
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) {
        EXPECT_EQ(loaded[n], factory[n]) << CoefficientSet::name(n);
    }
}

TEST(ShippedDatabaseTest, FactoryCopyIsByteIdentical) {
    QFile database(shipped().filePath());
    QFile copy(shipped().factoryCopyPath());
    ASSERT_TRUE(database.open(QIODevice::ReadOnly));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    const QByteArray bytes = database.readAll();
    EXPECT_TRUE(bytes.startsWith("SQLite format 3"));
    EXPECT_EQ(bytes, copy.readAll());
}

TEST(ShippedDatabaseTest, CoefficientTableLayout) {
    const ParameterTable table = shipped().readTable("nzhi");
    ASSERT_EQ(table.rowCount(), 16);
    ASSERT_GE(table.columnCount(), 5);
    EXPECT_EQ(table.columnNames()[2], "N");
    EXPECT_EQ(table.columnNames()[4], "JSGS");
    for (int row = 0; row < 16; ++row) {
        SCOPED_TRACE(row + 1);
        EXPECT_EQ(table.text(row, 0), QString::number(row + 1));
        EXPECT_FALSE(table.text(row, 1).isEmpty());
        EXPECT_TRUE(isNumericField(table.value(row, 2)));
        EXPECT_TRUE(isNumericField(table.value(row, 3)));
        EXPECT_FALSE(table.text(row, 4).isEmpty());
    }
}

// Checks a table of ascending ranges keyed by the upper bound at [2]: numeric
// bounds, contiguous, starting at or below `first` and ending at or above `last`.
void expectRanges(const ParameterTable& table, double first, double last) {
    ASSERT_GT(table.rowCount(), 0);
    for (int row = 0; row < table.rowCount(); ++row) {
        SCOPED_TRACE(testing::Message() << table.name().toStdString() << " row " << row + 1);
        ASSERT_TRUE(isNumericField(table.value(row, 1)));
        ASSERT_TRUE(isNumericField(table.value(row, 2)));
        EXPECT_LT(number(table, row, 1), number(table, row, 2));
        if (row > 0) {
            EXPECT_EQ(number(table, row, 1), number(table, row - 1, 2));
        }
    }
    EXPECT_LE(number(table, 0, 1), first);
    EXPECT_GE(number(table, table.rowCount() - 1, 2), last);
}

TEST(ShippedDatabaseTest, GradeTables) {
    const ParameterTable grades[] = {shipped().readTable("6ji"), shipped().readTable("7ji"),
                                     shipped().readTable("8ji")};
    const int textPositions[] = {3, 4, 8, 9, 10, 11, 16};
    for (const ParameterTable& table : grades) {
        SCOPED_TRACE(table.name().toStdString());
        ASSERT_GE(table.columnCount(), 17);
        expectRanges(table, 0, 1600);
        for (int row = 0; row < table.rowCount(); ++row) {
            SCOPED_TRACE(row + 1);
            for (int p : textPositions) {
                EXPECT_EQ(table.value(row, p).typeId(), QMetaType::QString) << p;
            }
            for (int p = 3; p <= 16; ++p) {
                EXPECT_GT(number(table, row, p), 0) << p;
                // tolerances grow with the centre distance
                if (row > 0) {
                    EXPECT_GE(number(table, row, p), number(table, row - 1, p)) << p;
                }
            }
            // tooth-thickness tolerances and backlash in mm, the rest in µm
            for (int p : {8, 11, 16}) EXPECT_LT(number(table, row, p), 1.0) << p;
            for (int p : {3, 4, 9, 10}) EXPECT_GE(number(table, row, p), 5.0) << p;
        }
    }
    // the same ranges in every grade, grade 6 no looser than 7, 7 no looser than 8
    for (int g = 1; g < 3; ++g) {
        ASSERT_EQ(grades[g].rowCount(), grades[g - 1].rowCount());
        for (int row = 0; row < grades[g].rowCount(); ++row) {
            for (int p = 1; p <= 16; ++p) {
                SCOPED_TRACE(testing::Message()
                             << "grade " << g + 6 << " row " << row + 1 << " position " << p);
                if (p <= 2 || p == 16) {
                    EXPECT_EQ(number(grades[g], row, p), number(grades[g - 1], row, p));
                } else {
                    EXPECT_GE(number(grades[g], row, p), number(grades[g - 1], row, p));
                }
            }
        }
    }
}

TEST(ShippedDatabaseTest, ReliefAmounts) {
    const ParameterTable table = shipped().readTable("xiuyuan");
    ASSERT_GE(table.columnCount(), 7);
    expectRanges(table, 70, 1600);
    for (int row = 0; row < table.rowCount(); ++row) {
        SCOPED_TRACE(row + 1);
        for (int p = 3; p <= 6; ++p) {
            ASSERT_TRUE(isNumericField(table.value(row, p))) << p;
            const double amount = table.value(row, p).toDouble();
            EXPECT_GT(amount, 0.1);
            EXPECT_LT(amount, 1.5);
            // less relief for higher ratios, more for larger centre distances
            if (p > 3) {
                EXPECT_LE(amount, table.value(row, p - 1).toDouble());
            }
            if (row > 0) {
                EXPECT_GE(amount, table.value(row - 1, p).toDouble());
            }
        }
    }
}

TEST(ShippedDatabaseTest, ReliefLengths) {
    const ParameterTable table = shipped().readTable("xiuyuanchangdu");
    ASSERT_GE(table.columnCount(), 5);
    expectRanges(table, 0, 999);
    for (int row = 0; row < table.rowCount(); ++row) {
        SCOPED_TRACE(row + 1);
        const double entry = parseReal(table.text(row, 3).toStdString());
        const double exit = parseReal(table.text(row, 4).toStdString());
        EXPECT_GT(exit, 0);
        EXPECT_LE(exit, entry);
    }
}

}  // namespace
}  // namespace wormpair
