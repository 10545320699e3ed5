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

}  // namespace
}  // namespace wormpair::model
