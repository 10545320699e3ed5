// The contact lines checked against the motion itself: each point lies on
// the worm flank (the envelope of its plane under its own motion) and its
// normal is square to the velocity the two rotations give it, taken by a
// finite step of the motion; the plane's lines are straight, each one
// position of the plane; the nominal worm's points lie on the hobbed
// wheel's flank, turned by the backlash; the sliding speed and the lubrication angle are
// those of that velocity, which at the pitch point is v1 / cos(gamma).
#include <gtest/gtest.h>
#include <numbers>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/contact_lines.h"
#include "analysis/marking_pattern.h"
#include "model/enveloping.h"
#include "model/wheel_envelope.h"
#include "model_designs.h"

namespace wormpair::analysis {
namespace {

using namespace wormpair::model;

// The generating instant and start whose contact line passes nearest the
// worm point p, and how near.
struct Ruling {
    double distance = std::numeric_limits<double>::infinity();
    double wheelAngle = 0;
    int start = 0;
};

Ruling nearestRuling(const EnvelopedFlank& flank, const Vec3& p) {
    const Meshing& g = flank.meshing();
    const EnvelopedFlank::Range range = flank.wheelAngleRange(5.0);
    const auto distance = [&](const Vec3& q, double phi) {
        const Line line = flank.contactLine(phi);
        const Vec3 d = g.fixedPoint(q, phi) - line.point;
        return norm(d - line.direction * dot(d, line.direction));
    };
    Ruling best;
    for (int start = 0; start < flank.blank().starts; ++start) {
        const Vec3 q = turnedAboutZ(p, -2 * std::numbers::pi * start / flank.blank().starts);
        // every dip of the samples: the point passes near the lines, extended, more than once
        const int steps = 1200;
        const double step = (range.last - range.first) / steps;
        std::vector<double> samples;
        for (int k = 0; k <= steps; ++k) samples.push_back(distance(q, range.first + k * step));
        for (int k = 1; k < steps; ++k) {
            if (samples[k] > samples[k - 1] || samples[k] > samples[k + 1] || samples[k] > 5)
                continue;
            double lo = range.first + (k - 1) * step, hi = lo + 2 * step;
            for (int i = 0; i < 80; ++i) {  // golden section
                const double m1 = hi - 0.618033988749895 * (hi - lo);
                const double m2 = lo + 0.618033988749895 * (hi - lo);
                if (distance(q, m1) < distance(q, m2))
                    hi = m2;
                else
                    lo = m1;
            }
            const double phi = (lo + hi) / 2;
            if (distance(q, phi) < best.distance) best = {distance(q, phi), phi, start};
        }
    }
    return best;
}

double distanceToFlank(const EnvelopedFlank& flank, const Vec3& p) {
    return nearestRuling(flank, p).distance;
}

// The nominal worm's flank across its straight contact line through p,
// whose plane (normal n, out of the worm) the wheel's flank is there: the
// neighbouring lines, a small step of the generation either side, fall
// below that plane by k x^2 / 2 at x from p.
double curvatureAcrossTheLine(const EnvelopedFlank& flank, const Vec3& p, const Vec3& n) {
    const Ruling ruling = nearestRuling(flank, p);
    const double back = -2 * std::numbers::pi * ruling.start / flank.blank().starts;
    const Vec3 q = turnedAboutZ(p, back), nq = turnedAboutZ(n, back);
    const Meshing& g = flank.meshing();
    double drop = 0, across = 0;
    for (const double step : {-2e-4, 2e-4}) {
        const double phi = ruling.wheelAngle + step;
        const Line line = flank.contactLine(phi);
        const Vec3 a = g.wormPoint(line.point, phi), d = g.wormDirection(line.direction, phi);
        // the line's point nearest the normal through q
        const double b = dot(d, nq), t = (b * dot(nq, a - q) - dot(d, a - q)) / (1 - b * b);
        const Vec3 r = a + d * t - q;
        drop -= dot(r, nq);
        across += dot(r, r) - dot(r, nq) * dot(r, nq);
    }
    return 2 * drop / across;
}

// The wheel's point at `fixed` less the worm's, per unit wheel angle: both
// moved a small step either way by their rotations.
Vec3 slidingOf(const Meshing& m, const Vec3& fixed, double wheelAngle) {
    const Vec3 onWheel = m.wheelPoint(fixed, wheelAngle);
    const Vec3 onWorm = m.wormPoint(fixed, wheelAngle);
    const auto apart = [&](double step) {
        return m.fixedFromWheel(onWheel, wheelAngle + step) -
               m.fixedPoint(onWorm, wheelAngle + step);
    };
    const double h = 1e-5;
    return (apart(h) - apart(-h)) / (2 * h);
}

struct Case {
    const char* centreDistance;
    const char* wheelTeeth;
    const char* wormStarts;
    WormKind worm;
};

class ContactLines : public ::testing::TestWithParam<Case> {};

TEST_P(ContactLines, LieOnTheWormAndMeetTheMeshingConditionOfTheMotion) {
    const Case c = GetParam();
    const PairModeller modeller(shippedDesign(c.centreDistance, c.wheelTeeth, c.wormStarts));
    const DesignRecord& r = modeller.design().record;
    ContactSettings settings;
    settings.worm = c.worm;
    const ContactAnalysis analysis = contactLines(modeller, settings);
    const EnvelopedFlank& flank = modeller.wormFlank(c.worm);
    const Meshing& m = modeller.geometry().nominalWorm.meshing;
    const double pitch = 2 * std::numbers::pi / r.wheelTeeth;

    // seven positions share one pitch of the wheel: the worm turns 2 pi / z1 in all
    ASSERT_EQ(analysis.wormAngles.size(), 7u);
    for (std::size_t k = 0; k < 7; ++k)
        EXPECT_NEAR(analysis.wormAngles[k], k * 2 * std::numbers::pi / (r.wormStarts * 7), 1e-9);

    // the nominal worm touches the hobbed wheel's flank: the plane before its
    // limit line, the hob's second contact beyond, turned by the backlash alone
    const WheelEnvelope& wheel = modeller.wheelEnvelope();
    std::vector<double> turns;
    int kinds[3] = {0, 0, 0};
    const double wheelSpeed = 2 * std::numbers::pi * settings.wormSpeed / 60 / m.ratio;  // rad/s
    for (const ContactLine& line : analysis.lines) {
        ++kinds[static_cast<int>(line.kind)];
        const double wheelAngle = line.position * pitch / 7;
        for (const ContactPoint& p : line.points) {
            EXPECT_LT(distanceToFlank(flank, p.point), 1e-6);
            const Vec3 velocity = slidingOf(m, m.fixedPoint(p.point, wheelAngle), wheelAngle);
            EXPECT_LT(std::abs(dot(m.fixedDirection(p.normal, wheelAngle), velocity)),
                      1e-6 * norm(velocity));
            EXPECT_GE(p.lubricationAngle, 0);
            EXPECT_LE(p.lubricationAngle, 90);
            EXPECT_NEAR(p.slidingSpeed, norm(velocity) * wheelSpeed / 1000, 1e-6 * p.slidingSpeed);
            if (c.worm != WormKind::Nominal) continue;
            EXPECT_GT(p.inducedCurvature, 0);  // the flanks part on either side of the line
            const Vec3 w = m.wheelPoint(m.fixedPoint(p.point, wheelAngle), wheelAngle);
            const double radius = std::hypot(w.x, w.y);
            const WheelEnvelope::Point flankPoint = line.kind == ContactKind::Plane
                                                        ? wheel.onPlane(radius, w.z)
                                                        : wheel.onSecond(radius, w.z, nullptr);
            turns.push_back(std::remainder(flankPoint.angle - std::atan2(w.y, w.x), pitch));
        }
        if (line.kind != ContactKind::Plane || c.worm != WormKind::Nominal ||
            line.points.size() < 2)
            continue;
        // straight, and in one position of the plane at this instant
        const Vec3 n = m.fixedDirection(line.points.front().normal, wheelAngle);
        const Vec3 first = m.fixedPoint(line.points.front().point, wheelAngle);
        const Vec3 last = m.fixedPoint(line.points.back().point, wheelAngle);
        const double tooth = std::remainder(
            std::atan2(-n.y, -n.x) - std::atan2(flank.plane().normal.y, flank.plane().normal.x),
            2 * std::numbers::pi);
        const double teeth = -m.hand * tooth / pitch - line.position / 7.0;
        EXPECT_NEAR(teeth, std::round(teeth), 1e-9);
        const Vec3 along = normalized(last - first);
        for (const ContactPoint& p : line.points) {
            const Vec3 q = m.fixedPoint(p.point, wheelAngle);
            const Vec3 v = slidingOf(m, q, wheelAngle);
            EXPECT_NEAR(p.lubricationAngle,
                        std::acos(std::abs(dot(along, v)) / norm(v)) * 180 / std::numbers::pi,
                        1e-3);
            EXPECT_LT(norm((q - first) - along * dot(q - first, along)), 1e-6);
            const double k = curvatureAcrossTheLine(flank, p.point, p.normal);
            EXPECT_NEAR(p.inducedCurvature, k, 0.01 * std::abs(k) + 1e-6);
            EXPECT_NEAR(dot(-n, q), flank.plane().offset, 1e-6);
        }
    }
    if (!turns.empty()) {
        const auto [low, high] = std::minmax_element(turns.begin(), turns.end());
        EXPECT_LT(*high - *low, 1e-7);
    }
    // every wheel tooth the working length wraps meets the nominal worm on a plane line
    std::vector<int> perPosition(7, 0);
    for (const ContactLine& line : analysis.lines)
        perPosition[line.position] += line.kind == ContactKind::Plane;
    const double wrap = 2 * std::asin(flank.blank().halfLength / m.referenceRadius);
    if (c.worm == WormKind::Nominal) {
        for (int n : perPosition) EXPECT_GE(n, std::floor(wrap / pitch));
    }
    EXPECT_GT(kinds[1], 7);
    EXPECT_GT(kinds[2], 0);
    // at the pitch point the motion slides at v1 / cos(gamma), v1 at the worm's reference radius
    const double v1 = 2 * std::numbers::pi * settings.wormSpeed / 60 *
                      (m.centreDistance - m.referenceRadius) / 1000;
    EXPECT_NEAR(norm(slidingOf(m, {m.referenceRadius, 0, 0}, 0)) * wheelSpeed / 1000,
                v1 / std::cos(r.throatLeadAngle * std::numbers::pi / 180), 0.01 * v1);
}

INSTANTIATE_TEST_SUITE_P(Designs, ContactLines,
                         ::testing::Values(Case{"160", "45", "1", WormKind::Nominal},
                                           Case{"160", "45", "1", WormKind::Ground},
                                           Case{"250", "50", "2", WormKind::Nominal},
                                           Case{"500", "63", "1", WormKind::Ground}));

TEST(ContactLines, RefusedWithTheModelsReasonWhereNoModelIsMade) {
    const PairModeller modeller(shippedDesign("100", "10", "1"));
    try {
        contactLines(modeller, {});
        FAIL() << "a contact analysis of 100/10/1";
    } catch (const ModelError& e) {
        EXPECT_NE(std::string(e.what()).find("无法"), std::string::npos) << e.what();
    }
}

// The marking pattern against the contact lines, which the meshing
// condition found independently: the theoretical worm marks the zone its
// lines sweep (nearly every point of the plane's lines falls on a marked
// sample), the worm as ground marks less of it, and a centre distance off
// by +fa or -fa moves the pattern towards the wheel's tip or root.
TEST(MarkingPattern, CoversTheContactLinesAndMovesWithTheCentreDistance) {
    const PairModeller modeller(shippedDesign("160", "45", "1"));
    const PairGeometry& geometry = modeller.geometry();
    PatternSettings settings;
    settings.heights = 21, settings.radii = 11, settings.positions = 20;
    settings.worm = WormKind::Nominal;
    const MarkingPattern nominal = markingPattern(modeller, settings);

    ContactSettings contact;
    contact.worm = WormKind::Nominal;
    const ContactAnalysis analysis = contactLines(modeller, contact);
    const Meshing& m = geometry.nominalWorm.meshing;
    const double pitch = 2 * std::numbers::pi / geometry.wheel.teeth;
    const double half = hobCutHalfWidth(geometry, kShallowestToothSpace);
    int points = 0, marked = 0;
    for (const ContactLine& line : analysis.lines) {
        if (line.kind != ContactKind::Plane) continue;
        const double wheelAngle = line.position * pitch / 7;
        for (const ContactPoint& p : line.points) {
            const Vec3 w = m.wheelPoint(m.fixedPoint(p.point, wheelAngle), wheelAngle);
            const double root = hobReachRadius(geometry.hob, w.z),
                         tip = geometry.wheel.tipRadiusAt(w.z);
            const long j = std::lround((w.z + half) / (2 * half) * (settings.heights - 1));
            const long i = std::lround(((std::hypot(w.x, w.y) - root) / (tip - root) - 0.005) /
                                       0.99 * (settings.radii - 1));
            if (j < 0 || j >= settings.heights || i < 0 || i >= settings.radii) continue;
            ++points;
            marked += nominal.points[static_cast<std::size_t>(j * settings.radii + i)].marked;
        }
    }
    ASSERT_GT(points, 50);
    EXPECT_GT(marked, 0.9 * points);

    settings.worm = WormKind::Ground;
    const MarkingPattern ground = markingPattern(modeller, settings);
    EXPECT_LT(ground.flankShare, 0.8 * nominal.flankShare);
    const auto centreRadius = [&](double deltaA) {
        settings.centreDistanceError = deltaA;
        const MarkingPattern p = markingPattern(modeller, settings);
        return std::hypot(p.centre.x, p.centre.y);
    };
    const double fa = 0.045;  // grade 7 at 160 mm
    EXPECT_GT(centreRadius(fa), centreRadius(0) + 0.5);
    EXPECT_LT(centreRadius(-fa), centreRadius(0) - 0.5);
    // the wheel moved along +z of its frame meets the worm with its flank's
    // -z side: the pattern's centre moves that way, and the other way for -z
    settings.centreDistanceError = 0;
    const auto centreAcross = [&](double shift) {
        settings.wheelShift = shift;
        return markingPattern(modeller, settings).centre.z;
    };
    const double middle = centreAcross(0);
    EXPECT_LT(centreAcross(0.1), middle - 0.5);
    EXPECT_GT(centreAcross(-0.1), middle + 0.5);

    // before the backlash is taken up the theoretical worm stands half the
    // circumferential backlash (the hob's tooth less the worm's, on the
    // wheel's reference circle) off the wheel at the pitch point, along the
    // plane's normal
    settings.wheelShift = 0;
    settings.worm = WormKind::Nominal;
    const MarkingPattern centred = markingPattern(modeller, settings);
    const EnvelopedFlank& flank = modeller.wormFlank(WormKind::Nominal);
    const Vec3 centre = m.fixedFromWheel({0, 0, 0}, 0);
    const Vec3 round = normalized(
        cross(m.fixedFromWheel({0, 0, 1}, 0) - centre, flank.plane().referencePoint - centre));
    const double backlash = (geometry.hob.toothThickness - geometry.nominalWorm.toothThickness) /
                            2 * std::abs(dot(flank.plane().normal, round));
    EXPECT_NEAR(centred.pitchClearance, backlash, 0.01 * backlash);
}

}  // namespace
}  // namespace wormpair::analysis
