#include "store/parameter_schema.h"

#include <gtest/gtest.h>

#include "calc/numeric.h"

namespace wormpair {
namespace {

TEST(ParameterSchemaTest, RangeLookups) {
    const ParameterTable grade("7ji", {"ID", "AMIN", "AMAX"},
                               {{1, 50.0, 80.0}, {2, 80.0, 160.0}, {3, 160.0, 315.0}});
    struct Case {
        double centreDistance;
        std::optional<int> row;
    };
    const Case cases[] = {{80, 0},  {80.001, 1}, {160, 1},           {315, 2},
                          {60, 0},  {50, std::nullopt}, {10, std::nullopt}, {316, std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(gradeRowFor(grade, c.centreDistance), c.row) << c.centreDistance;
    }
    EXPECT_EQ(firstRowReaching(grade, 2, 10), 0);
    EXPECT_EQ(firstRowReaching(grade, 2, 316), std::nullopt);
    EXPECT_EQ(firstRowReaching(ParameterTable("xiuyuan", {}, {}), 2, 100), std::nullopt);

    const ParameterTable broken("6ji", {"ID", "AMIN", "AMAX"}, {{1, 0.0, QString("abc")}});
    EXPECT_THROW(gradeRowFor(broken, 100), CalculationError);
}

TEST(ParameterSchemaTest, GradeTables) {
    EXPECT_EQ(schema::gradeTable(0), "6ji");
    EXPECT_EQ(schema::gradeTable(2), "8ji");
}

}  // namespace
}  // namespace wormpair
