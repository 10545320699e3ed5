#include "model/generation_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "model/enveloping.h"
#include "model/ground_flank.h"
#include "model/pair_geometry.h"

namespace wormpair::model {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// contact lines over the motion: consecutive ones cross a section a small
// step apart, so that a run's turn (the limit line) is placed closely
constexpr int kContactLines = 300;

std::string percent(double share) {
    char text[32];
    const double p = 100 * share;
    if (p >= 9.95)
        std::snprintf(text, sizeof text, "%.0f%%", p);
    else
        std::snprintf(text, sizeof text, "%.1f%%", p);
    return text;
}

std::string millimetres(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

}  // namespace

double WormFlankGeneration::share(Made kind) const {
    if (points.empty()) return 0;
    return static_cast<double>(std::count(points.begin(), points.end(), kind)) /
           static_cast<double>(points.size());
}

WormFlankGeneration wormFlankGeneration(const DesignRecord& record, std::string_view handText,
                                        int axialCount, int heightCount) {
    const PairGeometry pair = pairGeometry(record, handText);
    const ThreadDesign& worm = pair.nominalWorm;
    const double halfTooth = solveHalfToothAngle(worm.meshing, worm.blank, worm.toothThickness);
    return flankGeneration(EnvelopedFlank(worm.meshing, halfTooth, worm.blank), axialCount,
                           heightCount);
}

WormFlankGeneration flankGeneration(const EnvelopedFlank& flank, int axialCount, int heightCount,
                                    bool wholeZone) {
    const Meshing& g = flank.meshing();
    const ThreadBlank& b = flank.blank();
    const ThroatPoint throat = throatReferencePoint(flank);
    const PlaneMotion motion(g, flank.plane());
    const double sense =
        motion.sense(g.fixedPoint(throat.point, throat.wheelAngle), throat.wheelAngle);

    // a motion wide enough for every contact of the working zone
    const double reach = 3 * b.halfLength / g.referenceRadius + 0.1;
    const double first = throat.wheelAngle - reach, last = throat.wheelAngle + reach;
    WormFlankGeneration result;
    result.sense = sense;
    result.axialCount = axialCount;
    result.heightCount = heightCount;
    result.firstWheelAngle = std::numeric_limits<double>::infinity();
    result.lastWheelAngle = -result.firstWheelAngle;
    // The contact lines sweep the flank: a point is enveloped where one
    // passes through it as a maximum of its crossing angle (a position of
    // the plane touching its circle from the space). In each section Z1 the
    // lines' crossings move continuously with phi, so a run of crossings
    // that moves one way covers every radius between its ends, and its kind
    // (maximum or minimum) changes only where the run turns (the limit line).
    result.wheelAngleStep = (last - first) / kContactLines;
    std::vector<Line> lines(kContactLines + 1);
    std::vector<double> phis(kContactLines + 1);
    for (int k = 0; k <= kContactLines; ++k) {
        phis[k] = first + (last - first) * k / kContactLines;
        lines[k] = flank.contactLine(phis[k]);
    }
    const double a = g.centreDistance;
    using Made = WormFlankGeneration::Made;
    // the cells' middles, and the blank's ends for the motion only
    for (int i = wholeZone ? -1 : 0; i <= (wholeZone ? axialCount : axialCount - 1); ++i) {
        const bool end = i < 0 || i == axialCount;
        const double axial = end ? (i < 0 ? -1 : 1) * b.halfLength
                                 : -b.halfLength + 2 * b.halfLength * (i + 0.5) / axialCount;
        const double root = b.rootRadiusAt(axial), tip = b.tipRadiusAt(axial);
        // the crossing of each line with this section, NaN on the far side
        std::vector<double> radii(phis.size(), kNaN), fromWheelCentre(phis.size(), 0);
        for (std::size_t k = 0; k < phis.size(); ++k) {
            const Line& line = lines[k];
            if (!(std::abs(line.direction.y) > 1e-12)) continue;
            const Vec3 r = line.at((axial - line.point.y) / line.direction.y);
            if (r.x < a) radii[k] = std::sqrt((a - r.x) * (a - r.x) + r.z * r.z);
            fromWheelCentre[k] = norm(r);
        }
        // a maximum when the crossing angle turns down at the run's crossing
        // nearest the middle of the flank (far from it a line may graze the
        // section)
        const auto touchesFromTheSpace = [&](std::size_t k) {
            constexpr double h = 1e-4;
            const auto at = [&](double phi) {
                return sense * PlaneMotion::crossing(motion.pose(phi), axial, radii[k], sense);
            };
            return at(phis[k] + h) + at(phis[k] - h) - 2 * at(phis[k]) < 0;
        };
        std::vector<int> covering(static_cast<std::size_t>(heightCount), 0);
        std::size_t from = 0;
        while (from + 1 < phis.size()) {
            if (!std::isfinite(radii[from]) || !std::isfinite(radii[from + 1])) {
                ++from;
                continue;
            }
            const bool rising = radii[from + 1] > radii[from];
            std::size_t to = from + 1;
            while (to + 1 < phis.size() && std::isfinite(radii[to + 1]) &&
                   (radii[to + 1] > radii[to]) == rising)
                ++to;
            std::size_t nearest = from;
            for (std::size_t k = from; k <= to; ++k)
                if (std::abs(radii[k] - (root + tip) / 2) < std::abs(radii[nearest] - (root + tip) / 2))
                    nearest = k;
            if (touchesFromTheSpace(nearest)) {
                const double low = std::min(radii[from], radii[to]);
                const double high = std::max(radii[from], radii[to]);
                for (int j = 0; j < heightCount; ++j) {
                    const double radius = root + (tip - root) * (j + 0.5) / heightCount;
                    if (radius >= low && radius <= high) ++covering[static_cast<std::size_t>(j)];
                }
                for (std::size_t k = from; k <= to; ++k) {
                    constexpr double beyond = 1e-9;
                    if (radii[k] < std::min(root, tip) - beyond || radii[k] > std::max(root, tip) + beyond)
                        continue;
                    result.firstWheelAngle = std::min(result.firstWheelAngle, phis[k]);
                    result.lastWheelAngle = std::max(result.lastWheelAngle, phis[k]);
                    // the next line on either side may hold the farthest contact
                    for (std::size_t m = k == 0 ? 0 : k - 1; m <= std::min(k + 1, phis.size() - 1); ++m)
                        result.toolRadius = std::max(result.toolRadius, fromWheelCentre[m]);
                }
            }
            from = to;
        }
        // touched from the space twice: the envelope folds over itself, one
        // sheet trims the other
        if (end) continue;
        for (int count : covering)
            result.points.push_back(count == 0 ? Made::NotEnveloped
                                               : count == 1 ? Made::Enveloped : Made::Undercut);
    }
    return result;
}

std::string flankMakeupText(const EnvelopedFlank& flank) {
    using Made = WormFlankGeneration::Made;
    const WormFlankGeneration made = flankGeneration(flank, 33, 17);
    const auto share = [&](Made kind) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f%%", 100 * made.share(kind));
        return std::string(text);
    };
    return "齿面构成：母平面包络 " + share(Made::Enveloped) + "，磨削运动端位置或刀具边缘 " +
           share(Made::NotEnveloped) + "，根切（被母平面其他位置切去） " + share(Made::Undercut);
}

std::vector<GenerationFinding> generationFindings(const DesignRecord& record,
                                                  std::string_view handText) {
    std::vector<GenerationFinding> findings;
    PairGeometry pair;
    try {
        pair = pairGeometry(record, handText);
    } catch (const ModelError&) {
        return findings;
    }
    try {
        const WormFlankGeneration worm = wormFlankGeneration(record, handText);
        using Made = WormFlankGeneration::Made;
        if (const double s = worm.share(Made::NotEnveloped); s > 0)
            findings.push_back({GenerationIssue::NotEnveloped, s,
                                "蜗杆工作齿面有 " + percent(s) + " 未被母平面包络"});
        if (const double s = worm.share(Made::Undercut); s > 0)
            findings.push_back(
                {GenerationIssue::Undercut, s,
                 "蜗杆工作区内出现根切：齿面有 " + percent(s) + " 被母平面的其他位置切去"});
    } catch (const ModelError&) {
        findings.push_back({GenerationIssue::NotEnveloped, 1, "蜗杆工作齿面未被母平面包络"});
    }
    if (record.wormTipWidth <= 0)
        findings.push_back({GenerationIssue::PointedWorm, 1,
                            "蜗杆齿顶变尖（齿顶宽 " + millimetres(record.wormTipWidth) + " mm）"});
    if (record.hobTipWidth <= 0)
        findings.push_back({GenerationIssue::PointedHob, 1,
                            "滚刀齿顶变尖（齿顶宽 " + millimetres(record.hobTipWidth) + " mm）"});
    // the wheel's tooth at the throat in the middle plane, between the hob's planes
    try {
        const Meshing& g = pair.hob.meshing;
        const double halfTooth = solveHalfToothAngle(g, pair.hob.blank, pair.hob.toothThickness);
        const double throat = pair.wheel.throatRadius;
        const double spaceHalf = g.pressureAngle() + halfTooth - std::numbers::pi / 2 +
                                 std::acos(std::min(1.0, g.mainBaseRadius / throat));
        const double width = throat * (2 * std::numbers::pi / pair.wheel.teeth - 2 * spaceHalf);
        if (width <= 0)
            findings.push_back({GenerationIssue::PointedWheel, 1,
                                "蜗轮喉部齿顶变尖（齿顶宽 " + millimetres(width) + " mm）"});
    } catch (const ModelError&) {
    }
    // the rim width the hob's tip does not reach below the blank's tip: both
    // are even in the height, so one half is sampled and each change of
    // state bisected
    const auto cut = [&](double z) {
        try {
            return hobReachRadius(pair.hob, z) < pair.wheel.tipRadiusAt(z);
        } catch (const ModelError&) {
            return false;
        }
    };
    constexpr int kRimSamples = 8;
    const double half = pair.wheel.halfWidth;
    double uncutWidth = 0;
    bool previous = cut(0);
    for (int k = 1; k <= kRimSamples; ++k) {
        const double z0 = half * (k - 1) / kRimSamples, z1 = half * k / kRimSamples;
        const bool here = cut(z1);
        if (here == previous) {
            if (!here) uncutWidth += z1 - z0;
        } else {
            double lo = z0, hi = z1;
            for (int i = 0; i < 16; ++i) {  // to a 65,000th of a step
                const double mid = (lo + hi) / 2;
                (cut(mid) == previous ? lo : hi) = mid;
            }
            const double boundary = (lo + hi) / 2;
            uncutWidth += previous ? z1 - boundary : boundary - z0;
        }
        previous = here;
    }
    const double uncut = uncutWidth / half;
    if (uncut > 1e-3) {
        const double s = std::min(1.0, uncut);
        findings.push_back({GenerationIssue::RimNotCut, s,
                            "齿圈宽度有 " + percent(s) + " 未被滚刀切到，轮齿向两侧渐消"});
    }
    return findings;
}

std::vector<std::string> generationFindingTexts(const DesignRecord& record,
                                                std::string_view handText) {
    std::vector<std::string> texts;
    for (const GenerationFinding& f : generationFindings(record, handText)) texts.push_back(f.text);
    return texts;
}

}  // namespace wormpair::model
