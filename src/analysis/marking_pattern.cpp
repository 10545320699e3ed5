#include "analysis/marking_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "analysis/contact_lines.h"
#include "calc/numeric.h"
#include "model/ground_flank.h"
#include "model/wheel_envelope.h"

namespace wormpair::analysis {

using model::Vec3;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The gap between the worm flank and points of the wheel flank while the
// pair runs, assembled with the settings' errors.
class Gap {
  public:
    Gap(const model::PairModeller& modeller, const PatternSettings& settings)
        : m_flank(modeller.wormFlank(settings.worm)),
          m_worm(m_flank),
          m_working(modeller.geometry().nominalWorm.meshing),
          m_settings(settings),
          m_period(2 * std::numbers::pi / m_flank.blank().starts) {
        m_working.centreDistance += settings.centreDistanceError;
        m_tilt = settings.shaftAngleError * std::numbers::pi / 180;
    }

    // At wheel angle phi, for the point w (wheel frame) of the wheel's first
    // flank: the angle round the worm's axis by which it stands off the
    // worm's first flank (negative: inside the worm's tooth), its radius,
    // and the share of a turn's travel along the worm flank's normal; NaN
    // where no worm flank faces it then.
    struct Standoff {
        double angle = kNaN;
        double radius = 0;
        double normalShare = 0;
        Vec3 wormPoint;  // the wheel's point then, worm frame

        // along the worm flank's normal, to first order in the angle
        double normalGap(double turned = 0) const {
            return (angle - turned) * radius * normalShare;
        }
    };
    Standoff at(const Vec3& w, double phi) const {
        Vec3 f = m_working.fixedFromWheel(w, phi);
        // the wheel tilted about the common perpendicular and moved along its
        // axis; the worm moved along its own axis
        f = {f.x, f.y * std::cos(m_tilt) - f.z * std::sin(m_tilt),
             f.y * std::sin(m_tilt) + f.z * std::cos(m_tilt) + m_settings.wheelShift};
        f.y -= m_settings.wormShift;
        const Vec3 q = m_working.wormPoint(f, phi);
        const model::ThreadBlank& blank = m_flank.blank();
        if (std::abs(q.z) > blank.halfLength) return {};
        const double radius = std::hypot(q.x, q.y);
        const double root = blank.rootRadiusAt(q.z), tip = blank.tipRadiusAt(q.z);
        const double height = (radius - root) / (tip - root);
        if (!(height >= 0 && height <= 1)) return {};
        model::GroundFlank::Point p;
        try {
            p = m_worm.at(q.z, height);
        } catch (const model::ModelError&) {
            return {};
        }
        const double theta = std::atan2(q.y, q.x);
        // round the axis from the nearest thread's first flank, into its tooth
        const double into = m_worm.sense() * std::remainder(theta - p.angle, m_period);
        if (std::abs(into) > m_period / 4) return {};  // nearer another flank
        const Vec3 round{-std::sin(theta), std::cos(theta), 0};
        return {-into, radius, std::abs(dot(round, p.worm.normal)), q};
    }

    // The distance of the standoff's point from the worm flank, along the
    // flank's normal (positive outside the tooth): where a turn round the
    // axis runs nearly along the flank, as at small lead angles, the first
    // order misses the flank's bending over the clearance of a backlash.
    double clearance(const Standoff& s) const {
        if (std::isnan(s.angle)) return kNaN;
        const Vec3 q = s.wormPoint;
        Vec3 foot = q;
        double distance = s.normalGap();
        try {
            for (int iteration = 0; iteration < 4; ++iteration) {
                const model::ThreadBlank& blank = m_flank.blank();
                const double root = blank.rootRadiusAt(foot.z), tip = blank.tipRadiusAt(foot.z);
                const model::GroundFlank::Point p =
                    m_worm.at(foot.z, (std::hypot(foot.x, foot.y) - root) / (tip - root));
                const double theta = std::atan2(foot.y, foot.x);
                const double turn = theta - p.angle - std::remainder(theta - p.angle, m_period);
                const Vec3 on = model::turnedAboutZ(p.worm.point, turn);
                const Vec3 into = model::turnedAboutZ(p.worm.normal, turn);
                const double depth = dot(q - on, into);
                distance = -depth;
                foot = q - into * depth;
            }
        } catch (const model::ModelError&) {
        }
        return distance;
    }

    // Where the point comes closest round the axis over the wheel angles
    // `phis` (the marking compound stays where the worm, turned to take up
    // the backlash, comes within its thickness).
    Standoff closest(const Vec3& w, const std::vector<double>& phis) const {
        std::size_t best = phis.size();
        std::vector<double> rounds(phis.size());
        for (std::size_t k = 0; k < phis.size(); ++k) {
            rounds[k] = at(w, phis[k]).angle;
            if (!std::isnan(rounds[k]) && (best == phis.size() || rounds[k] < rounds[best]))
                best = k;
        }
        if (best == phis.size()) return {};
        double closest = phis[best];
        if (best > 0 && best + 1 < phis.size() && !std::isnan(rounds[best - 1]) &&
            !std::isnan(rounds[best + 1])) {
            // golden section between the neighbours
            constexpr double kGolden = 0.6180339887498949;
            double lo = phis[best - 1], hi = phis[best + 1];
            double x1 = hi - kGolden * (hi - lo), x2 = lo + kGolden * (hi - lo);
            double f1 = at(w, x1).angle, f2 = at(w, x2).angle;
            for (int iteration = 0; iteration < 50 && hi - lo > 1e-12; ++iteration) {
                if (std::isnan(f1) || std::isnan(f2)) break;
                if (f1 > f2) {
                    lo = x1, x1 = x2, f1 = f2;
                    x2 = lo + kGolden * (hi - lo), f2 = at(w, x2).angle;
                } else {
                    hi = x2, x2 = x1, f2 = f1;
                    x1 = hi - kGolden * (hi - lo), f1 = at(w, x1).angle;
                }
            }
            if (const Standoff refined = at(w, (lo + hi) / 2); refined.angle <= rounds[best])
                closest = (lo + hi) / 2;
        }
        return at(w, closest);
    }

  private:
    const model::EnvelopedFlank& m_flank;
    model::GroundFlank m_worm;
    model::Meshing m_working;
    PatternSettings m_settings;
    double m_period;
    double m_tilt = 0;
};

}  // namespace

MarkingPattern markingPattern(const model::PairModeller& modeller,
                              const PatternSettings& settings) {
    const model::PairGeometry& geometry = modeller.geometry();
    const model::WheelEnvelope& wheel = modeller.wheelEnvelope();
    const Gap gap(modeller, settings);
    // the wheel angles: through the whole contact zone (the worm's wrap and
    // a pitch beyond each side), `positions` to a pitch
    const double pitch = 2 * std::numbers::pi / geometry.wheel.teeth;
    const double reach =
        modeller.design().record.workingHalfWrapAngle * std::numbers::pi / 180 + pitch;
    const int steps =
        std::max(8, static_cast<int>(std::ceil(2 * reach / pitch * settings.positions)));
    std::vector<double> phis;
    for (int k = 0; k <= steps; ++k) phis.push_back(-reach + 2 * reach * k / steps);
    std::vector<Gap::Standoff> standoffs;

    MarkingPattern pattern;
    pattern.heights = std::max(2, settings.heights);
    pattern.radii = std::max(2, settings.radii);
    const double half = model::hobCutHalfWidth(geometry, model::kShallowestToothSpace);
    pattern.halfWidth = half;
    for (int j = 0; j < pattern.heights; ++j) {
        const double z = half * (2.0 * j / (pattern.heights - 1) - 1);
        const double root = model::hobReachRadius(geometry.hob, z);
        const double tip = geometry.wheel.tipRadiusAt(z);
        pattern.rootRadii.push_back(root);
        pattern.tipRadii.push_back(tip);
        std::optional<model::WheelEnvelope::Point> previous;
        for (int i = 0; i < pattern.radii; ++i) {
            // a hair inside the root and the tip, where the flank has its edges
            const double r = root + (tip - root) * (0.005 + 0.99 * i / (pattern.radii - 1));
            PatternPoint point;
            point.gap = kNaN;
            try {
                const model::WheelEnvelope::Point p =
                    wheel.cut(r, z, previous ? &*previous : nullptr);
                previous = p;
                point.point = p.wheel.point;
                standoffs.push_back(gap.closest(p.wheel.point, phis));
            } catch (const model::ModelError&) {
                previous.reset();
                point.point = {r, 0, z};
                standoffs.push_back({});
            }
            pattern.points.push_back(point);
        }
    }
    // the clearance at the pitch point (the wheel's reference circle in the
    // middle plane) before the backlash is taken up
    pattern.pitchClearance = kNaN;
    try {
        const Gap::Standoff s = gap.closest(
            wheel.cut(geometry.nominalWorm.meshing.referenceRadius, 0, nullptr).wheel.point, phis);
        pattern.pitchClearance = gap.clearance(s);
    } catch (const model::ModelError&) {
    }
    // the worm turned until it first touches: the smallest angle; each
    // point's gap then is what is left of its own, along the normal
    double firstAngle = std::numeric_limits<double>::infinity();
    std::size_t first = 0;
    for (std::size_t k = 0; k < standoffs.size(); ++k)
        if (!std::isnan(standoffs[k].angle) && standoffs[k].angle < firstAngle)
            firstAngle = standoffs[k].angle, first = k;
    if (!std::isfinite(firstAngle))
        throw model::ModelError("蜗杆齿面在整个啮合过程中都不与蜗轮齿面相对，无法求接触斑点");
    pattern.firstContact = gap.clearance(standoffs[first]);
    // a meshing pair stands a backlash apart before it is taken up; a worm
    // deep inside the wheel's flank means the hob's envelope here is no
    // wheel this worm runs with (ratio 25: the second envelope's reach)
    constexpr double kDeepest = -0.5;  // mm, far beyond what any assembly error closes
    if (pattern.firstContact < kDeepest) {
        char depth[32];
        std::snprintf(depth, sizeof depth, "%.3f", -pattern.firstContact);
        throw model::ModelError(std::string("蜗杆齿面在啮合中穿入蜗轮齿面 ") + depth +
                                " mm（蜗轮齿面超出滚刀二次包络的可解范围），无法求接触斑点");
    }
    for (std::size_t k = 0; k < standoffs.size(); ++k) {
        const Gap::Standoff& s = standoffs[k];
        pattern.points[k].gap = std::isnan(s.angle) ? kNaN : s.normalGap(firstAngle);
    }
    int faced = 0, marked = 0;
    int firstHeight = pattern.heights, lastHeight = -1, firstRadius = pattern.radii,
        lastRadius = -1;
    Vec3 sum{0, 0, 0};
    for (int j = 0; j < pattern.heights; ++j) {
        for (int i = 0; i < pattern.radii; ++i) {
            PatternPoint& p = pattern.points[static_cast<std::size_t>(j * pattern.radii + i)];
            if (std::isnan(p.gap)) continue;
            ++faced;
            p.marked = p.gap <= settings.compound;
            if (!p.marked) continue;
            ++marked;
            sum = sum + p.point;
            firstHeight = std::min(firstHeight, j), lastHeight = std::max(lastHeight, j);
            firstRadius = std::min(firstRadius, i), lastRadius = std::max(lastRadius, i);
        }
    }
    pattern.centre = sum * (1.0 / marked);
    pattern.flankShare = static_cast<double>(marked) / faced;
    pattern.lengthShare = static_cast<double>(lastHeight - firstHeight + 1) / pattern.heights;
    pattern.heightShare = static_cast<double>(lastRadius - firstRadius + 1) / pattern.radii;
    return pattern;
}

std::string patternCsv(const model::PairModeller& modeller, const MarkingPattern& pattern,
                       const PatternSettings& settings) {
    const auto percent = [](double share) { return fixed(100 * share, 1) + "%"; };
    std::string text = "\xEF\xBB\xBF";  // UTF-8 mark: spreadsheet programs read the Chinese right
    text += "# 蜗轮第一齿面的涂色接触斑点";
    text += settings.worm == model::WormKind::Ground ? "（与磨削修形后的蜗杆啮合）\n"
                                                     : "（与理论蜗杆啮合，未修形）\n";
    text +=
        "# 坐标系：蜗轮自身坐标系（同蜗轮 STEP）；原点在中间平面中心，z 轴沿蜗轮轴线；"
        "齿槽在零转角时以 x 轴为中心；单位 mm\n";
    text += designCsvLine(modeller);
    text += "# 装配误差：中心距 " + fixed(settings.centreDistanceError, 4) + " mm，蜗轮轴向 " +
            fixed(settings.wheelShift, 4) + " mm，蜗杆轴向 " + fixed(settings.wormShift, 4) +
            " mm，轴交角 " + fixed(settings.shaftAngleError, 5) + "°；涂料厚度 " +
            fixed(settings.compound, 4) + " mm\n";
    text +=
        "# gap_mm：蜗杆转过侧隙、与蜗轮最先接触后，该点在整个啮合过程中与蜗杆齿面的最小法向间隙"
        "（最先接触处转过侧隙前的法向间隙 " +
        fixed(pattern.firstContact, 4) + " mm，节点处 " + fixed(pattern.pitchClearance, 4) +
        " mm）；空白为蜗杆齿面不经过之处\n";
    text += "# 接触斑点（gap_mm 不大于涂料厚度）：占齿面 " + percent(pattern.flankShare) +
            "（按采样点计），沿齿长 " + percent(pattern.lengthShare) + "，沿齿高 " +
            percent(pattern.heightShare) + "；中心 (" + fixed(pattern.centre.x, 3) + ", " +
            fixed(pattern.centre.y, 3) + ", " + fixed(pattern.centre.z, 3) + ")\n";
    text += "# 采样：沿齿宽 " + std::to_string(pattern.heights) + " 行 × 齿根至齿顶 " +
            std::to_string(pattern.radii) + " 点\n";
    text += "x,y,z,gap_mm\n";
    for (const PatternPoint& p : pattern.points) {
        text += fixed(p.point.x, 6) + "," + fixed(p.point.y, 6) + "," + fixed(p.point.z, 6) + "," +
                (std::isnan(p.gap) ? std::string() : fixed(p.gap, 6)) + "\n";
    }
    return text;
}

}  // namespace wormpair::analysis
