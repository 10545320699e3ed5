#include "series/series_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wormpair {
namespace {

using Texts = std::vector<std::string>;

TEST(SeriesList, ReadsEntriesAsTypedAndRefusesWhatIsNoSize) {
    const struct {
        const char* typed;
        Texts entries;
        const char* problem;  // empty: read
    } cases[] = {
        {"80,100, 125", {"80", "100", "125"}, ""},
        {"80，100；125、160\u3000200", {"80", "100", "125", "160", "200"}, ""},
        {"１６０，１２．５、２ｅ２", {"160", "12.5", "2e2"}, ""},  // as an input method types
        {" 12.5\t31.5\n", {"12.5", "31.5"}, ""},
        {"80, 80.0, 100, 80", {"80", "100"}, ""},  // the same size once, as first typed
        {"80,,100,", {"80", "100"}, ""},
        {"", {}, "中心距系列是空的，请至少输入一个数"},
        {" , ;", {}, "中心距系列是空的，请至少输入一个数"},
        {"80, 16a", {}, "中心距“16a”不是数字"},
        {"80, -100", {}, "中心距“-100”必须大于 0"},
        {"0", {}, "中心距“0”必须大于 0"},
        {"1e999", {}, "中心距“1e999”不是数字"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const SeriesList list = readSeriesList(c.typed, "中心距");
        EXPECT_EQ(list.problem, c.problem);
        EXPECT_EQ(list.entries, list.ok() ? c.entries : Texts{});
    }
}

TEST(SeriesList, WormStartsAreAutomaticOrOneTwoFour) {
    const struct {
        const char* typed;
        std::vector<int> starts;
        bool ok;
    } cases[] = {
        {"auto", {}, true},      {"自动", {}, true}, {"", {}, true},     {"2", {2}, true},
        {"4,1,4", {4, 1}, true}, {"3", {}, false},   {"1,x", {}, false}, {"0", {}, false},
        {"２、４", {2, 4}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const StartsChoice choice = readWormStarts(c.typed);
        EXPECT_EQ(choice.ok(), c.ok) << choice.problem;
        if (c.ok) {
            EXPECT_EQ(choice.starts, c.starts);
        }
    }
}

TEST(SeriesPlan, FewestStartsThatMakeWholeTeethOrTheOnesGiven) {
    const struct {
        const char* ratio;
        std::vector<int> starts;
        Texts startsAndTeeth;  // z1, z2 of each case; "" where it has none
    } cases[] = {
        {"10", {}, {"1", "10"}},   {"12.5", {}, {"2", "25"}},
        {"31.5", {}, {"2", "63"}}, {"10.25", {}, {"4", "41"}},
        {"10.3", {}, {"", ""}},    {"12.5", {1, 2, 4}, {"1", "", "2", "25", "4", "50"}},
        {"40", {2}, {"2", "80"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ratio);
        SeriesOptions options;
        options.wormStarts = c.starts;
        const SeriesPlan plan = planSeries({"160"}, {c.ratio}, options);
        ASSERT_TRUE(plan.ok());
        Texts got;
        for (const SeriesCase& pair : plan.cases) {
            EXPECT_EQ(pair.centreDistance, "160");
            EXPECT_EQ(pair.ratio, c.ratio);
            EXPECT_EQ(pair.designable(), !pair.wheelTeeth.empty()) << pair.problem;
            got.push_back(pair.wormStarts);
            got.push_back(pair.wheelTeeth);
        }
        EXPECT_EQ(got, c.startsAndTeeth);
    }
    const SeriesPlan refused = planSeries({"160"}, {"10.3"}, {});
    EXPECT_EQ(refused.cases.front().problem, "速比 10.3 用 1、2、4 头蜗杆都得不到整数的蜗轮齿数");
}

TEST(SeriesPlan, CentreDistanceByCentreDistanceUpToTheLimit) {
    const SeriesPlan standard =
        planSeries(Texts(kStandardCentreDistances.begin(), kStandardCentreDistances.end()),
                   Texts(kStandardRatios.begin(), kStandardRatios.end()), {});
    ASSERT_EQ(standard.cases.size(), 14u * 12u);
    EXPECT_EQ(standard.cases[12].centreDistance, "100");
    EXPECT_EQ(standard.cases[12].ratio, "10");

    const Texts hundred(100, "10");
    const Texts thousand(1000, "80");
    EXPECT_TRUE(planSeries(thousand, Texts(10, "10"), {}).ok());
    const SeriesPlan tooMany = planSeries(thousand, hundred, {});
    EXPECT_TRUE(tooMany.cases.empty());
    EXPECT_EQ(tooMany.problem, "系列共 100000 个设计，一次最多 10000 个，请缩短中心距或速比系列");
    SeriesOptions everyStart;
    everyStart.wormStarts = {1, 2, 4};
    EXPECT_FALSE(planSeries(Texts(40, "80"), hundred, everyStart).ok()) << "12000 with the starts";
}

}  // namespace
}  // namespace wormpair
