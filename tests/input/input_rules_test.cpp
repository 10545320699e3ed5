#include "input/input_rules.h"

#include <gtest/gtest.h>

#include "calc/numeric.h"
#include "store/parameter_database.h"

namespace wormpair {
namespace {

TEST(InputRulesTest, BaseValueHints) {
    // 0.65 is held as the extended value just below it: 190 x 0.65 stays below 123.5
    const std::pair<double, const char*> mainBase[] = {
        {100, "↑基础值：65"}, {130, "↑基础值：84"}, {150, "↑基础值：98"}, {190, "↑基础值：123"}};
    for (const auto& [a, expected] : mainBase) EXPECT_EQ(mainBaseDiameterHint(a), expected) << a;
    EXPECT_EQ(wormDiameterHint(160, 0.875), "↑基础值：64");
    EXPECT_EQ(wormDiameterHint(100, 1), "↑基础值：76");
    EXPECT_THROW(wormDiameterHint(-100, 0.875), CalculationError);  // negative base, fractional power
}

TEST(InputRulesTest, RatioText) {
    EXPECT_EQ(ratioText("41", "2"), "20.5");
    EXPECT_EQ(ratioText("40", "3"), "13.3333333333333");
    EXPECT_EQ(ratioText("40", "1"), "40");
    for (const auto& [teeth, starts] : {std::pair{"40", "0"}, {"4a", "1"}, {"40", "x"}, {"0", "0"}}) {
        EXPECT_THROW(ratioText(teeth, starts), CalculationError) << teeth << "/" << starts;
    }
}

TEST(InputRulesTest, RecommendedDiametersAndSnap) {
    EXPECT_EQ(recommendedMainBaseDiameter(160, 40), 99);
    EXPECT_EQ(fiveStepSnap("99"), "100");
    EXPECT_EQ(recommendedMainBaseDiameter(125, 10), 72);
    EXPECT_EQ(recommendedMainBaseDiameter(80, 8), 45);
    EXPECT_EQ(recommendedWormDiameter(160, 40, 0.875), 65);
    EXPECT_THROW(recommendedWormDiameter(-100, 40, 0.875), CalculationError);
    EXPECT_THROW(recommendedWormDiameter(160, 0, 0.875), CalculationError);  // 0 ^ -1.9

    const std::pair<const char*, const char*> snaps[] = {
        {"90", "90"}, {"91", "90"}, {"92", "90"}, {"93", "95"}, {"94", "95"},
        {"95", "95"}, {"72", "72"}, {"-7", "-7"}, {"1003", "1005"}, {"998", "1000"}};
    for (const auto& [text, expected] : snaps) EXPECT_EQ(fiveStepSnap(text), expected) << text;
    EXPECT_THROW(fiveStepSnap("9.5"), CalculationError);
}

TEST(InputRulesTest, GrindingIncrementToOneDecimal) {
    // the factor is the double nearest 0.1, so 25, 55 and 75 are no ties
    const std::pair<const char*, const char*> cases[] = {
        {"40", "0.4"}, {"37", "0.4"}, {"100", "1"}, {"25", "0.2"}, {"55", "0.6"}, {"75", "0.7"}};
    for (const auto& [teeth, expected] : cases) EXPECT_EQ(grindingIncrementText(teeth), expected);
    EXPECT_THROW(grindingIncrementText(""), CalculationError);
}

TEST(InputRulesTest, TipEccentricityByRatioBand) {
    struct Case {
        double mainBase;
        double ratio;
        const char* expected;
    };
    const Case cases[] = {
        {100, 40, "0"},  {72, 10, "18"},   {45, 8, "17"},  {50, 10.5, "12"}, {100, 7.5, "40"},
        // the bounds are the extended 7.99, 9.99, 11.99, just below the doubles
        {100, 7.98, "40"}, {100, 7.99, "38"}, {100, 9.98, "38"}, {100, 9.99, "25"},
        {100, 11.98, "25"}, {100, 11.99, "17"}, {100, 12, "17"},
        {100, 34.99, "17"}, {100, 35, "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tipEccentricityText(c.mainBase, c.ratio), c.expected)
            << c.mainBase << " at ratio " << c.ratio;
    }
}

TEST(InputRulesTest, ReliefAmountPositionAndExitRelief) {
    const std::pair<double, int> positions[] = {{0, 3}, {20, 3}, {25, 4}, {40, 4},
                                                {40.5, 5}, {63, 5}, {63.5, 6}, {150, 6}};
    for (const auto& [ratio, position] : positions) {
        EXPECT_EQ(reliefAmountPosition(ratio), position) << ratio;
    }
    const std::pair<const char*, const char*> exits[] = {
        {"0.3", "0.2"}, {"0.2", "0.13"}, {"0.5", "0.34"}, {"1", "0.67"}};
    for (const auto& [entry, expected] : exits) EXPECT_EQ(exitReliefText(entry), expected);
    EXPECT_THROW(exitReliefText("0.3 * 40"), CalculationError);
}

TEST(InputRulesTest, GradeDesignation) {
    EXPECT_EQ(gradeDesignation("8", true), "8j(GB/T16445-1996)");
    EXPECT_EQ(gradeDesignation("7", false), "7级(GB/T16445-1996)");
}

}  // namespace
}  // namespace wormpair
