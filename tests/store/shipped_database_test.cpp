// The database built into the program directory: layout by position and the
// soundness of its ranges and values.

#include "calc/numeric.h"
#include "store/startup_load.h"
#include "store/user_settings.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wormpair {
namespace {

const ParameterDatabase kShipped(WORMPAIR_PROGRAM_DIR);

double number(const ParameterTable& t, int row, int position) {
    const QVariant v = t.value(row, position);
    return isNumericField(v) ? v.toDouble() : parseReal(t.text(row, position).toStdString());
}

// Ranges keyed by [1] (lower) and [2] (upper): numeric, ascending, contiguous,
// from at most `first` to at least `last`.
void expectRanges(const ParameterTable& t, double first, double last) {
    ASSERT_GT(t.rowCount(), 0);
    for (int row = 0; row < t.rowCount(); ++row) {
        SCOPED_TRACE(testing::Message() << t.name().toStdString() << " row " << row + 1);
        ASSERT_TRUE(isNumericField(t.value(row, 1)) && isNumericField(t.value(row, 2)));
        EXPECT_LT(number(t, row, 1), number(t, row, 2));
        if (row > 0) {
            EXPECT_EQ(number(t, row, 1), number(t, row - 1, 2));
        }
    }
    EXPECT_LE(number(t, 0, 1), first);
    EXPECT_GE(number(t, t.rowCount() - 1, 2), last);
}

TEST(ShippedDatabaseTest, LoadsTheFactoryCoefficients) {
    CoefficientSet loaded;
    const StartupLoadResult result = loadCoefficients(kShipped, loaded);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(result.differsFromFactory);
    for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) {
        EXPECT_EQ(loaded[n], CoefficientSet::factory()[n]) << CoefficientSet::name(n);
    }

    const ParameterTable nzhi = kShipped.readTable("nzhi");
    EXPECT_EQ(nzhi.rowCount(), 16);
    EXPECT_EQ(nzhi.columnNames().mid(2, 3), QStringList({"N", "MRZ", "JSGS"}));

    QFile database(kShipped.filePath()), copy(kShipped.factoryCopyPath());
    ASSERT_TRUE(database.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    const QByteArray bytes = database.readAll();
    EXPECT_EQ(bytes, copy.readAll());
    // db1.sql and the program's schema agree, column for column: restore
    // would refuse the factory rules otherwise
    EXPECT_EQ(settingsFileProblem({bytes.begin(), bytes.end()}), QString());
}

TEST(ShippedDatabaseTest, GradeTables) {
    const ParameterTable grades[] = {kShipped.readTable("6ji"), kShipped.readTable("7ji"),
                                     kShipped.readTable("8ji")};
    for (int g = 0; g < 3; ++g) {
        const ParameterTable& t = grades[g];
        ASSERT_GE(t.columnCount(), 17);
        expectRanges(t, 0, 1600);
        for (int row = 0; row < t.rowCount(); ++row) {
            for (int p = 3; p <= 16; ++p) {
                SCOPED_TRACE(testing::Message()
                             << t.name().toStdString() << " row " << row + 1 << " position " << p);
                EXPECT_GT(number(t, row, p), 0);
                if (p <= 4 || (p >= 8 && p <= 11) || p == 16) {
                    EXPECT_EQ(t.value(row, p).typeId(), QMetaType::QString);
                }
                // tooth-thickness tolerances and backlash in mm, others in μm
                EXPECT_EQ(number(t, row, p) < 1.0, p == 8 || p == 11 || p == 16);
                if (row > 0) {
                    EXPECT_GE(number(t, row, p), number(t, row - 1, p));
                }
                // same ranges and backlash in every grade; 6 no looser than 7, 7 than 8
                if (g > 0) {
                    EXPECT_EQ(number(t, row, 2), number(grades[g - 1], row, 2));
                    EXPECT_GE(number(t, row, p), number(grades[g - 1], row, p));
                    if (p == 16) {
                        EXPECT_EQ(t.text(row, p), grades[g - 1].text(row, p));
                    }
                }
            }
        }
    }
}

TEST(ShippedDatabaseTest, ReliefTables) {
    const ParameterTable amounts = kShipped.readTable("xiuyuan");
    ASSERT_GE(amounts.columnCount(), 7);
    expectRanges(amounts, 70, 1600);
    for (int row = 0; row < amounts.rowCount(); ++row) {
        for (int p = 3; p <= 6; ++p) {
            SCOPED_TRACE(testing::Message() << "xiuyuan row " << row + 1 << " position " << p);
            ASSERT_TRUE(isNumericField(amounts.value(row, p)));
            EXPECT_GT(number(amounts, row, p), 0.1);
            EXPECT_LT(number(amounts, row, p), 1.5);
            // less relief for higher ratios, more for larger centre distances
            if (p > 3) {
                EXPECT_LE(number(amounts, row, p), number(amounts, row, p - 1));
            }
            if (row > 0) {
                EXPECT_GE(number(amounts, row, p), number(amounts, row - 1, p));
            }
        }
    }

    const ParameterTable lengths = kShipped.readTable("xiuyuanchangdu");
    ASSERT_GE(lengths.columnCount(), 5);
    expectRanges(lengths, 0, 999);
    for (int row = 0; row < lengths.rowCount(); ++row) {
        SCOPED_TRACE(testing::Message() << "xiuyuanchangdu row " << row + 1);
        EXPECT_GT(number(lengths, row, 4), 0);
        EXPECT_LE(number(lengths, row, 4), number(lengths, row, 3));
    }
}

}  // namespace
}  // namespace wormpair
