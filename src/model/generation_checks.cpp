#include "model/generation_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/enveloping.h"
#include "model/pair_geometry.h"

namespace wormpair::model {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// coarse wheel-angle samples of the plane's motion per point
constexpr int kMotionSamples = 120;
// another position cutting deeper than the envelope by more than this (mm)
// trims the flank: undercut
constexpr double kUndercutDepth = 1e-4;

// The generating plane of the first flank as the worm sees it: at wheel
// angle phi it crosses the circle of radius rho about Z1 at axial position
// Z1 in the worm-frame angle theta(phi); the material left is on the
// tooth's side of every position, so the flank lies at the extreme of
// sense * theta over the motion.
class PlaneMotion {
  public:
    PlaneMotion(const Meshing& g, double halfToothAngle) : m_g(g), m_plane(g, halfToothAngle) {}

    // What the plane's position at phi alone decides: the crossing of every
    // circle at that instant then costs one acos.
    struct Pose {
        double ny = 0, base = 0;  // n . r - d = R cos(T - angle) - (base - ny Z1)
        double reach = 0;         // R / rho
        double angle = 0;
        double turn = 0;  // i phi
    };
    Pose pose(double phi) const {
        const Vec3 n = turnedAboutZ(m_plane.normal, -m_g.hand * phi);
        // fixed point of the worm point (rho, theta, Z1): (a - rho cos T, Z1, rho sin T),
        // T = theta + i phi; n . r - d = R cos(T - centre) - C, positive in the tooth
        return {n.y, m_plane.offset - n.x * m_g.centreDistance, std::sqrt(n.x * n.x + n.z * n.z),
                std::atan2(n.z, -n.x), m_g.ratio * phi};
    }

    // theta where the plane at that pose crosses the circle, on the side
    // facing the wheel, at the root where the tooth begins (moving towards
    // larger sense * theta); NaN where it misses the circle or crosses it
    // only on the far side
    static double crossing(const Pose& p, double axial, double radius, double sense) {
        const double q = (p.base - p.ny * axial) / (radius * p.reach);
        if (!(std::abs(q) <= 1)) return kNaN;
        const double T = p.angle - sense * std::acos(q);
        // cos T > 0, T within (-2 pi, 2 pi]
        const double size = std::abs(T);
        if (!(size < kPi / 2 || size > 1.5 * kPi)) return kNaN;
        return T - p.turn;
    }

    // +1 when the tooth lies towards larger theta at the plane's point
    // `fixed` of the instant phi
    double sense(const Vec3& fixed, double phi) const {
        const Vec3 n = turnedAboutZ(m_plane.normal, -m_g.hand * phi);
        const Vec3 r = fixed - Vec3{m_g.centreDistance, 0, 0};
        return dot(n, Vec3{r.z, 0, -r.x}) > 0 ? 1 : -1;  // d r / d theta
    }

  private:
    const Meshing& m_g;
    GeneratingPlane m_plane;
};

struct Extremes {
    double envelope = kNaN;  // the highest local maximum inside a window of crossings
    double envelopeAngle = kNaN;
    int maxima = 0;        // local maxima, each a position of the plane touching the circle
    double second = kNaN;  // the highest of the others
};

// The local maxima of f over [first, last]: f is finite on windows of the
// motion (where the plane crosses the circle on the wheel's side), each
// found from the coarse samples, its ends bisected, then sampled afresh so
// that a narrow window still shows its maximum; each maximum refined by
// golden section. f turns faster with the ratio (it holds -i phi): a window
// is sampled more densely the larger the ratio.
// coarseAt(k) is f(first + k (last - first) / coarse) and fineAt(k) is
// f(first + k fine), from poses shared by every point of the flank: a window
// wide enough is sampled on that lattice, at least as densely.
template <typename F, typename Coarse, typename Fine>
Extremes extremes(const F& f, const Coarse& coarseAt, const Fine& fineAt, double fine, double first,
                  double last, int coarse, int samples) {
    Extremes e;
    const auto step = (last - first) / coarse;
    const auto edge = [&](double inside, double outside) {
        for (int i = 0; i < 20; ++i) {  // to a millionth of a coarse step
            const double mid = (inside + outside) / 2;
            (std::isfinite(f(mid)) ? inside : outside) = mid;
        }
        return inside;
    };
    const auto window = [&](double from, double to) {
        std::vector<double> phis, values;
        phis.reserve(samples + 2), values.reserve(samples + 2);
        const long stride = static_cast<long>((to - from) / samples / fine);
        if (stride >= 1) {
            phis.push_back(from), values.push_back(f(from));
            long k = (static_cast<long>((from - first) / fine) / stride + 1) * stride;
            for (; first + fine * k < to; k += stride) {
                if (first + fine * k <= from) continue;
                phis.push_back(first + fine * k), values.push_back(fineAt(k));
            }
            phis.push_back(to), values.push_back(f(to));
        } else {
            for (int k = 0; k <= samples; ++k) {
                phis.push_back(from + (to - from) * k / samples);
                values.push_back(f(phis.back()));
            }
        }
        const int count = static_cast<int>(phis.size()) - 1;
        for (int k = 1; k < count; ++k) {
            if (!(values[k] > values[k - 1] && values[k] >= values[k + 1])) continue;
            // golden section, each step keeping one of its two values
            constexpr double kGolden = 0.618033988749895;
            double lo = phis[k - 1], hi = phis[k + 1];
            double m1 = hi - kGolden * (hi - lo), m2 = lo + kGolden * (hi - lo);
            double f1 = f(m1), f2 = f(m2);
            for (int i = 0; i < 26; ++i) {  // to 4e-6 of the bracket; f errs by its square
                if (f1 < f2) {
                    lo = m1, m1 = m2, f1 = f2;
                    m2 = lo + kGolden * (hi - lo), f2 = f(m2);
                } else {
                    hi = m2, m2 = m1, f2 = f1;
                    m1 = hi - kGolden * (hi - lo), f1 = f(m1);
                }
            }
            const double phi = (lo + hi) / 2;
            const double value = std::max(values[k], f(phi));
            ++e.maxima;
            if (!(value <= e.envelope)) {
                e.second = e.envelope;
                e.envelope = value, e.envelopeAngle = phi;
            } else if (!(value <= e.second)) {
                e.second = value;
            }
        }
    };
    double previous = first;
    bool inside = std::isfinite(coarseAt(0));
    double start = first;
    for (int k = 1; k <= coarse; ++k) {
        const double phi = first + step * k;
        const bool finite = std::isfinite(coarseAt(k));
        if (finite && !inside) start = edge(phi, previous);
        if (!finite && inside) window(start, edge(previous, phi));
        if (finite && k == coarse) window(start, phi);
        inside = finite;
        previous = phi;
    }
    return e;
}

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
    const Meshing& g = worm.meshing;
    const ThreadBlank& b = worm.blank;
    const double halfTooth = solveHalfToothAngle(g, b, worm.toothThickness);
    const ThroatPoint throat = throatReferencePoint(EnvelopedFlank(g, halfTooth, b));
    const PlaneMotion motion(g, halfTooth);
    const double sense =
        motion.sense(g.fixedPoint(throat.point, throat.wheelAngle), throat.wheelAngle);

    // a motion wide enough for every contact of the working zone
    const double reach = 3 * b.halfLength / g.referenceRadius + 0.1;
    const double first = throat.wheelAngle - reach, last = throat.wheelAngle + reach;
    const int windowSamples = 48 + static_cast<int>(4 * g.ratio);
    std::vector<PlaneMotion::Pose> coarsePoses(kMotionSamples + 1);
    for (int k = 0; k <= kMotionSamples; ++k)
        coarsePoses[k] = motion.pose(first + (last - first) / kMotionSamples * k);
    // the lattice the windows sample, a coarse step in windowSamples, each
    // pose made when first asked
    const long fineCount = static_cast<long>(kMotionSamples) * windowSamples;
    const double fine = (last - first) / static_cast<double>(fineCount);
    std::vector<PlaneMotion::Pose> finePoses(fineCount + 1);
    std::vector<char> fineMade(fineCount + 1, 0);
    const auto finePose = [&](long k) -> const PlaneMotion::Pose& {
        if (!fineMade[k]) finePoses[k] = motion.pose(first + fine * k), fineMade[k] = 1;
        return finePoses[k];
    };

    WormFlankGeneration result;
    result.axialCount = axialCount;
    result.heightCount = heightCount;
    result.firstWheelAngle = std::numeric_limits<double>::infinity();
    result.lastWheelAngle = -result.firstWheelAngle;
    // cell centres, so every point stands for an equal share of the flank
    for (int i = 0; i < axialCount; ++i) {
        const double axial = -b.halfLength + 2 * b.halfLength * (i + 0.5) / axialCount;
        const double root = b.rootRadiusAt(axial), tip = b.tipRadiusAt(axial);
        for (int j = 0; j < heightCount; ++j) {
            const double radius = root + (tip - root) * (j + 0.5) / heightCount;
            const auto f = [&](double phi) {
                return sense * PlaneMotion::crossing(motion.pose(phi), axial, radius, sense);
            };
            const auto coarseAt = [&](int k) {
                return sense * PlaneMotion::crossing(coarsePoses[k], axial, radius, sense);
            };
            const auto fineAt = [&](long k) {
                return sense * PlaneMotion::crossing(finePose(k), axial, radius, sense);
            };
            const Extremes e =
                extremes(f, coarseAt, fineAt, fine, first, last, kMotionSamples, windowSamples);
            using Made = WormFlankGeneration::Made;
            if (!std::isfinite(e.envelope)) {
                result.points.push_back(Made::NotEnveloped);
                continue;
            }
            result.firstWheelAngle = std::min(result.firstWheelAngle, e.envelopeAngle);
            result.lastWheelAngle = std::max(result.lastWheelAngle, e.envelopeAngle);
            // a second position touching the circle: the envelope folds over
            // itself here, and one sheet trims the other
            const bool folded = e.maxima > 1 && e.envelope - e.second > kUndercutDepth / radius;
            result.points.push_back(folded ? Made::Undercut : Made::Enveloped);
        }
    }
    return result;
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
        const double spaceHalf = g.pressureAngle() + halfTooth - kPi / 2 +
                                 std::acos(std::min(1.0, g.mainBaseRadius / throat));
        const double width = throat * (2 * kPi / pair.wheel.teeth - 2 * spaceHalf);
        if (width <= 0)
            findings.push_back({GenerationIssue::PointedWheel, 1,
                                "蜗轮喉部齿顶变尖（齿顶宽 " + millimetres(width) + " mm）"});
    } catch (const ModelError&) {
    }
    // the rim width the hob's tip does not reach below the blank's tip
    constexpr int kRimSamples = 200;
    int uncut = 0;
    for (int k = 0; k < kRimSamples; ++k) {
        const double z = pair.wheel.halfWidth * (2.0 * (k + 0.5) / kRimSamples - 1);
        try {
            if (hobReachRadius(pair.hob, z) >= pair.wheel.tipRadiusAt(z)) ++uncut;
        } catch (const ModelError&) {
            ++uncut;
        }
    }
    if (uncut > 0) {
        const double s = static_cast<double>(uncut) / kRimSamples;
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
