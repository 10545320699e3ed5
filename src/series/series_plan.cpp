#include "series/series_plan.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "calc/numeric.h"

namespace wormpair {

namespace {

std::string joined(auto const& entries, std::string_view separator) {
    std::string text;
    for (const auto& entry : entries) {
        if (!text.empty()) text += separator;
        text += entry;
    }
    return text;
}

// The list's entries: every separator, ASCII or full width, splits; an
// entry's full-width digits and signs are read as ASCII.
std::vector<std::string> splitEntries(std::string_view text) {
    static constexpr std::string_view kWideSeparators[] = {"，", "；", "、", "\u3000"};
    std::vector<std::string> entries;
    std::string current;
    const auto finish = [&] {
        if (!current.empty()) entries.push_back(asciiNumberText(current));
        current.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            finish();
            ++i;
            continue;
        }
        bool wide = false;
        for (const std::string_view separator : kWideSeparators) {
            if (text.substr(i, separator.size()) == separator) {
                finish();
                i += separator.size();
                wide = true;
                break;
            }
        }
        if (!wide) current += text[i++];
    }
    finish();
    return entries;
}

std::string startsText(const std::vector<int>& starts) {
    std::vector<std::string> texts;
    for (const int z1 : starts) texts.push_back(std::to_string(z1));
    return joined(texts, "、");
}

// The teeth the starts give the ratio, when they are whole.
bool wholeTeeth(double ratio, int starts, std::int64_t& teeth) {
    // times 1, 2 or 4 is exact in binary, so a whole product is a whole ratio
    const double product = ratio * starts;
    if (product != std::nearbyint(product) || product < 1 ||
        product > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    teeth = static_cast<std::int64_t>(product);
    return true;
}

}  // namespace

std::string standardCentreDistancesText() { return joined(kStandardCentreDistances, ", "); }
std::string standardRatiosText() { return joined(kStandardRatios, ", "); }

SeriesList readSeriesList(std::string_view text, std::string_view what) {
    SeriesList list;
    const auto refuse = [&list](std::string problem) {
        list.entries.clear();
        list.problem = std::move(problem);
        return list;
    };
    const std::string name(what);
    std::vector<double> values;
    for (std::string& entry : splitEntries(text)) {
        double value = 0;
        try {
            value = parseReal(entry);
        } catch (const CalculationError&) {
            return refuse(name + "“" + entry + "”不是数字");
        }
        if (value <= 0) return refuse(name + "“" + entry + "”必须大于 0");
        bool repeated = false;
        for (const double earlier : values) repeated = repeated || earlier == value;
        if (repeated) continue;
        values.push_back(value);
        list.entries.push_back(std::move(entry));
    }
    if (list.entries.empty()) return refuse(name + "系列是空的，请至少输入一个数");
    return list;
}

StartsChoice readWormStarts(std::string_view text) {
    StartsChoice choice;
    for (const std::string& entry : splitEntries(text)) {
        if (entry == "auto" || entry == "自动") continue;
        bool allowed = false;
        for (const int z1 : kSeriesWormStarts) {
            if (entry == std::to_string(z1)) {
                allowed = true;
                bool repeated = false;
                for (const int earlier : choice.starts) repeated = repeated || earlier == z1;
                if (!repeated) choice.starts.push_back(z1);
            }
        }
        if (!allowed) {
            choice.problem = "蜗杆头数只能是 " +
                             startsText({kSeriesWormStarts.begin(), kSeriesWormStarts.end()}) +
                             " 或“自动”，不能是“" + entry + "”";
            return choice;
        }
    }
    return choice;
}

SeriesPlan planSeries(const std::vector<std::string>& centreDistances,
                      const std::vector<std::string>& ratios, const SeriesOptions& options) {
    SeriesPlan plan;
    if (centreDistances.empty() || ratios.empty()) {
        plan.problem = "中心距和速比系列都至少要有一个数";
        return plan;
    }
    const std::size_t perRatio = options.wormStarts.empty() ? 1 : options.wormStarts.size();
    const std::size_t perCentreDistance = ratios.size() * perRatio;
    if (perCentreDistance > kMaxSeriesDesigns ||
        centreDistances.size() > kMaxSeriesDesigns / perCentreDistance) {
        const long double count = static_cast<long double>(centreDistances.size()) *
                                  static_cast<long double>(perCentreDistance);
        plan.problem = "系列共 " + formatReal(count) + " 个设计，一次最多 " +
                       std::to_string(kMaxSeriesDesigns) + " 个，请缩短中心距或速比系列";
        return plan;
    }
    const std::vector<int> automatic(kSeriesWormStarts.begin(), kSeriesWormStarts.end());
    for (const std::string& centreDistance : centreDistances) {
        for (const std::string& ratioText : ratios) {
            double ratio = 0;
            try {
                ratio = parseReal(ratioText);
            } catch (const CalculationError&) {
                ratio = std::numeric_limits<double>::quiet_NaN();  // no starts make it whole
            }
            const auto add = [&](int z1, std::int64_t z2, std::string problem) {
                SeriesCase c{centreDistance, ratioText, {}, {}, std::move(problem)};
                if (z1 > 0) c.wormStarts = formatInteger(z1);
                if (c.problem.empty()) c.wheelTeeth = formatInteger(z2);
                plan.cases.push_back(std::move(c));
            };
            if (options.wormStarts.empty()) {
                std::int64_t teeth = 0;
                int chosen = 0;
                for (const int z1 : automatic) {
                    if (wholeTeeth(ratio, z1, teeth)) {
                        chosen = z1;
                        break;
                    }
                }
                if (chosen > 0) {
                    add(chosen, teeth, {});
                } else {
                    add(0, 0,
                        "速比 " + ratioText + " 用 " + startsText(automatic) +
                            " 头蜗杆都得不到整数的蜗轮齿数");
                }
                continue;
            }
            for (const int z1 : options.wormStarts) {
                std::int64_t teeth = 0;
                if (wholeTeeth(ratio, z1, teeth)) {
                    add(z1, teeth, {});
                } else {
                    add(z1, 0,
                        "速比 " + ratioText + " 用 " + std::to_string(z1) +
                            " 头蜗杆得不到整数的蜗轮齿数");
                }
            }
        }
    }
    return plan;
}

}  // namespace wormpair
