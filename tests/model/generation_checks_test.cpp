// What the machines make of a design, against figures found independently:
// the share of the worm's working flank the generating plane does not
// envelop, from a separate sampling of the plane's positions (uniform and
// dense over a wide motion, the crossing nearest the wheel) on the same grid
// of cell centres (through the edges, the same sampling finds 32, 8, 14.5, 2
// and 2 %); and the rim the hob does not reach on the high ratios.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/generation_checks.h"
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

}  // namespace
}  // namespace wormpair::model
