#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Which pairs a series designs: the centre distances and ratios the engineer
// lists, and for each ratio the worm starts and wheel teeth that give it.

namespace wormpair {

// Reducer frames by centre distance (mm) and the preferred ratios (R10).
inline constexpr std::array<std::string_view, 14> kStandardCentreDistances = {
    "80",  "100", "125", "160", "200", "250", "280",
    "315", "355", "400", "450", "500", "560", "630"};
inline constexpr std::array<std::string_view, 12> kStandardRatios = {
    "10", "12.5", "16", "20", "25", "31.5", "40", "50", "63", "80", "100", "125"};

// The starts tried, fewest first, when the starts are left to the series.
inline constexpr std::array<int, 3> kSeriesWormStarts = {1, 2, 4};

// More designs than this in one run are refused: a table of them could not be
// read, and a workbook sheet holds 65536 rows.
inline constexpr std::size_t kMaxSeriesDesigns = 10000;

// The standard lists as the user would type them.
std::string standardCentreDistancesText();
std::string standardRatiosText();

struct SeriesOptions {
    // The worm starts of every pair; empty: for each ratio the fewest of
    // kSeriesWormStarts that make the wheel teeth whole.
    std::vector<int> wormStarts;
    int grade = 7;  // 6, 7 or 8
    bool standardBacklash = true;
    bool wholeNumber = false;  // 取整数
};

// A typed list read into its entries: numbers separated by commas,
// semicolons or blanks (ASCII or full width), full-width digits and signs
// read as ASCII. Entries keep their text, as it goes into the window's fields; an entry equal in value to an earlier one is
// dropped. `problem` says, in Chinese, why the list cannot be used.
struct SeriesList {
    std::vector<std::string> entries;
    std::string problem;

    bool ok() const { return problem.empty(); }
};

// `what` names the list in the messages ("中心距", "速比"). Every entry must be
// a finite number above 0.
SeriesList readSeriesList(std::string_view text, std::string_view what);

// "auto" (or 自动, or nothing) for the fewest starts that fit, or starts from
// kSeriesWormStarts separated as in a list.
struct StartsChoice {
    std::vector<int> starts;  // empty: automatic
    std::string problem;

    bool ok() const { return problem.empty(); }
};
StartsChoice readWormStarts(std::string_view text);

// One pair of the series, as its texts go into the window's fields.
struct SeriesCase {
    std::string centreDistance;  // Edit1
    std::string ratio;           // the ratio as listed
    std::string wormStarts;      // Edit4; empty when no starts were found
    std::string wheelTeeth;      // Edit3; empty when there is no pair
    std::string problem;         // why no pair is designed; empty when one is

    bool designable() const { return problem.empty(); }
};

struct SeriesPlan {
    std::vector<SeriesCase> cases;  // centre distance by centre distance, ratios in list order
    std::string problem;            // why the series is refused as a whole

    bool ok() const { return problem.empty(); }
};

// Each centre distance with each ratio (and each of the given starts). A
// ratio the starts cannot make whole still has its case, which says why; too
// many combinations refuse the series before anything is built.
SeriesPlan planSeries(const std::vector<std::string>& centreDistances,
                      const std::vector<std::string>& ratios, const SeriesOptions& options);

}  // namespace wormpair
