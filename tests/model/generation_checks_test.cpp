// What the machines make of a design, against figures found independently:
// the share of the worm's working flank the generating plane does not
// envelop, from a separate sampling of the plane's positions (uniform and
// dense over a wide motion, the crossing nearest the wheel) on the same grid
// of cell centres (through the edges, the same sampling finds 32, 8, 14.5, 2
// and 2 %); and the rim the hob does not reach on the high ratios.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/generation_checks.h"
#include "model/ground_flank.h"
#include "model/pair_geometry.h"
#include "model/thread_section.h"
#include "model_designs.h"

namespace wormpair::model {
namespace {

struct GenerationRow {
    const char* centreDistance;
    const char* wheelTeeth;
    const char* wormStarts;
    double notEnveloped;  // share of the working flank, independent sampling
    bool rimNotCut;
};

class Generation : public testing::TestWithParam<GenerationRow> {};

TEST_P(Generation, SharesAgreeWithAnIndependentSampling) {
    const GenerationRow row = GetParam();
    const DesignSnapshot d = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
    const auto findings = generationFindings(d.record, d.hand);
    const auto find = [&](GenerationIssue issue) {
        return std::find_if(findings.begin(), findings.end(),
                            [&](const GenerationFinding& f) { return f.issue == issue; });
    };
    const auto notEnveloped = find(GenerationIssue::NotEnveloped);
    if (row.notEnveloped == 0) {
        EXPECT_EQ(notEnveloped, findings.end()) << notEnveloped->text;
    } else {
        ASSERT_NE(notEnveloped, findings.end());
        EXPECT_NEAR(notEnveloped->share, row.notEnveloped, 0.005);
        EXPECT_NE(notEnveloped->text.find("包络"), std::string::npos);
    }
    EXPECT_EQ(find(GenerationIssue::RimNotCut) != findings.end(), row.rimNotCut);
    // a left-hand pair is the mirror image: a series checks the right hand only
    EXPECT_EQ(generationFindingTexts(d.record, "左旋"), generationFindingTexts(d.record, "右旋"));
}

INSTANTIATE_TEST_SUITE_P(StandardSeries, Generation,
                         testing::Values(GenerationRow{"100", "10", "1", 0.310, false},
                                         GenerationRow{"140", "16", "1", 0.068, false},
                                         GenerationRow{"560", "16", "1", 0.132, false},
                                         GenerationRow{"200", "20", "1", 0.012, false},
                                         GenerationRow{"355", "25", "2", 0.014, false},
                                         GenerationRow{"160", "40", "1", 0, false},
                                         GenerationRow{"250", "100", "1", 0, true}));

// The flank as ground, checked point by point without the closed-form
// crossings: the tool is the space side of the plane within its reach from
// the wheel centre, a millimetre thick behind its face; over a dense uniform
// sampling of the motion, a point just inside the space is removed by some
// position and a point just inside the tooth by none.
struct GroundRow {
    const char *centreDistance, *wheelTeeth, *wormStarts;
};

class Ground : public testing::TestWithParam<GroundRow> {};

TEST_P(Ground, FlankIsWhereTheLastToolPositionLeavesTheMaterial) {
    const GroundRow row = GetParam();
    const DesignSnapshot d = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
    const ThreadDesign worm = pairGeometry(d.record, d.hand).nominalWorm;
    const EnvelopedFlank flank(worm.meshing,
                               solveHalfToothAngle(worm.meshing, worm.blank, worm.toothThickness),
                               worm.blank);
    const GroundFlank ground(flank);
    const Meshing& g = worm.meshing;
    const auto removes = [&](const Vec3& w, double phi) {
        const Vec3 r = g.fixedPoint(w, phi);
        const double depth = flank.plane().offset - dot(turnedAboutZ(flank.plane().normal, -g.hand * phi), r);
        return depth > 0 && depth < 1 && norm(r) <= ground.toolRadius();
    };
    constexpr int kPositions = 6000;
    int sides[2] = {0, 0};  // the side found in the space: +theta, -theta
    for (int i = 0; i <= 6; ++i) {
        const double axial = worm.blank.halfLength * (i - 3) / 3.0;
        for (double height : {0.05, 0.3, 0.5, 0.7, 0.95}) {
            const GroundFlank::Point p = ground.at(axial, height);
            const double rho = ground.radiusAt(axial, height);
            const auto at = [&](double angle) {
                return Vec3{rho * std::cos(angle), rho * std::sin(angle), axial};
            };
            constexpr double kStep = 2e-5;  // mm along the circle
            bool removed[2] = {false, false};
            for (int side = 0; side < 2; ++side) {
                const Vec3 w = at(p.angle + (side == 0 ? 1 : -1) * kStep / rho);
                removed[side] = removes(w, p.wheelAngle);
                for (int k = 0; k <= kPositions && !removed[side]; ++k)
                    removed[side] = removes(w, ground.firstWheelAngle() +
                                                   (ground.lastWheelAngle() - ground.firstWheelAngle()) * k / kPositions);
            }
            SCOPED_TRACE(std::to_string(axial) + " " + std::to_string(height));
            EXPECT_NE(removed[0], removed[1]) << "exactly one side of the flank is removed";
            ++sides[removed[0] ? 0 : 1];
        }
    }
    EXPECT_TRUE(sides[0] == 0 || sides[1] == 0) << "the space lies on one side everywhere";
}

INSTANTIATE_TEST_SUITE_P(Ratios, Ground,
                         testing::Values(GroundRow{"125", "20", "1"}, GroundRow{"125", "25", "1"},
                                         GroundRow{"250", "50", "2"}));

// The sections the drawings show, measured as the design states its
// thread: the axial section's arc on the reference circle is the tooth
// thickness the flank was solved for, and the normal section's chord at the
// chordal height the label's normal chordal thickness (within the caliper
// tolerances of the lead angle, as at the throat of the exact flank); no
// outline crosses itself, low ratios included.
struct SectionRow {
    const char *centreDistance, *wheelTeeth, *wormStarts;
    double chordal;  // mm; 0: the outline is only checked for crossings
};

class Sections : public testing::TestWithParam<SectionRow> {};

// Where the outline crosses a curve f(point) = 0, nearest along = 0 first.
template <typename F>
std::vector<SectionPoint> crossingsOf(const std::vector<SectionPoint>& outline, F f) {
    std::vector<SectionPoint> found;
    for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
        const double f0 = f(outline[i]), f1 = f(outline[i + 1]);
        if ((f0 < 0) == (f1 < 0)) continue;
        const double t = f0 / (f0 - f1);
        found.push_back({outline[i].along + t * (outline[i + 1].along - outline[i].along),
                         outline[i].height + t * (outline[i + 1].height - outline[i].height)});
    }
    std::sort(found.begin(), found.end(), [](const SectionPoint& a, const SectionPoint& b) {
        return std::abs(a.along) < std::abs(b.along);
    });
    return found;
}

bool crossesItself(const std::vector<SectionPoint>& p) {
    for (std::size_t i = 0; i + 1 < p.size(); ++i)
        for (std::size_t k = i + 2; k + 1 < p.size(); ++k) {
            const double d1x = p[i + 1].along - p[i].along, d1y = p[i + 1].height - p[i].height;
            const double d2x = p[k + 1].along - p[k].along, d2y = p[k + 1].height - p[k].height;
            const double det = d1x * d2y - d1y * d2x;
            if (std::abs(det) < 1e-15) continue;
            const double ex = p[k].along - p[i].along, ey = p[k].height - p[i].height;
            const double s = (ex * d2y - ey * d2x) / det, t = (ex * d1y - ey * d1x) / det;
            if (s > 1e-9 && s < 1 - 1e-9 && t > 1e-9 && t < 1 - 1e-9) return true;
        }
    return false;
}

TEST_P(Sections, MeasureTheDesignsThicknesses) {
    const SectionRow row = GetParam();
    const DesignSnapshot d = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
    const PairGeometry pair = pairGeometry(d.record, d.hand);
    for (const ThreadDesign* thread : {&pair.nominalWorm, &pair.groundWorm, &pair.hob}) {
        for (SectionPlane plane : {SectionPlane::Axial, SectionPlane::NormalToThread})
            EXPECT_FALSE(crossesItself(
                threadSectionOutline(*thread, plane, 0.6 * thread->blank.halfLength)));
    }
    if (row.chordal == 0) return;
    const ThreadDesign& worm = pair.nominalWorm;
    const double a = worm.blank.axisToWheelCentre, r2 = worm.meshing.referenceRadius;
    const auto axial =
        crossingsOf(threadSectionOutline(worm, SectionPlane::Axial, 15),
                    [&](const SectionPoint& p) { return std::hypot(p.along, a - p.height) - r2; });
    ASSERT_GE(axial.size(), 2u);
    const double arc = r2 * std::abs(std::atan2(axial[0].along, a - axial[0].height) -
                                     std::atan2(axial[1].along, a - axial[1].height));
    EXPECT_NEAR(arc, worm.toothThickness, 0.001);
    const auto normal = threadSectionOutline(worm, SectionPlane::NormalToThread, 15);
    const double top =
        crossingsOf(normal, [](const SectionPoint& p) { return p.along; }).at(0).height;
    const auto chord = crossingsOf(normal, [&](const SectionPoint& p) {
        return p.height - (top - d.record.wormNormalChordalHeight);
    });
    ASSERT_GE(chord.size(), 2u);
    EXPECT_NEAR(std::abs(chord[0].along - chord[1].along), d.record.wormNormalChordalThickness,
                row.chordal);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, Sections,
    testing::Values(SectionRow{"160", "45", "1", 0.005}, SectionRow{"100", "31", "1", 0.010},
                    SectionRow{"250", "50", "2", 0.015}, SectionRow{"80", "10", "1", 0},
                    SectionRow{"125", "16", "1", 0}, SectionRow{"630", "20", "1", 0},
                    SectionRow{"355", "25", "2", 0}));

}  // namespace
}  // namespace wormpair::model
