// The conventions of the model checked against the design's own numbers:
// the lead angle and the normal chordal thickness at the throat, from the
// exact flank; and the small readers of the tool's options.
#include <gtest/gtest.h>
#include <numbers>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iostream>

#include "model/enveloping.h"
#include "model/inspection_grid.h"
#include "model/model_files.h"
#include "model/model_service.h"
#include "model/newton.h"
#include "model/pair_model.h"
#include "model_designs.h"

namespace wormpair::model {
namespace {

// The flank measured against the labels: the lead angle of the thread's
// centre at the throat, and the normal chordal thickness as a caliper takes
// it (a straight chord across the thread at the chordal height). s cos(gamma)
// is first order, so the tolerances widen with the lead angle: they are
// geometry, not error.
struct ThroatRow {
    const char* centreDistance;
    const char* wheelTeeth;
    const char* wormStarts;
    double leadDegrees;  // largest difference from the design's gamma
    double chordal;      // largest difference from the label, mm
};

class ThroatOfTheWorm : public testing::TestWithParam<ThroatRow> {};

// The flank point on the line through `centre` along `direction` (Newton
// over the generating instant and the contact line).
Vec3 flankCrossing(const EnvelopedFlank& flank, const Vec3& centre, const Vec3& direction,
                   double wheelAngle, double lineParameter) {
    const Meshing& g = flank.meshing();
    const Vec3 across = cross(direction, Vec3{1, 0, 0});
    const auto offset = [&](double phi, double t) {
        const Vec3 d = g.wormPoint(flank.fixedOnLine(phi, t).point, phi) - centre;
        return std::pair{d.x, dot(d, across)};
    };
    EXPECT_TRUE(solveTwo(offset, wheelAngle, lineParameter));
    return g.wormPoint(flank.fixedOnLine(wheelAngle, lineParameter).point, wheelAngle);
}

TEST_P(ThroatOfTheWorm, LeadAngleAndNormalChordalThicknessAreTheDesigns) {
    const ThroatRow row = GetParam();
    const DesignSnapshot design = shippedDesign(row.centreDistance, row.wheelTeeth, row.wormStarts);
    const DesignRecord& r = design.record;
    const PairModeller modeller(design);
    const EnvelopedFlank& flank = modeller.wormFlank(WormKind::Nominal);
    const Meshing& g = flank.meshing();

    // the flank where it cuts the reference circle in the throat section
    const ThroatPoint throat = throatReferencePoint(flank);
    const SurfacePoint p = flank.at(throat.wheelAngle, throat.height);
    ASSERT_NEAR(p.point.y, 0, 1e-9);
    const double rho = p.point.x;
    // the thread's centre line advances along the reference toroid by
    // r2 d(psi) per d(theta): tan(gamma) = r2 dpsi / (r1 dtheta) at the throat
    const double sinPsi = std::sin(throat.polarAngle), cosPsi = std::cos(throat.polarAngle);
    const double alongMeridian = sinPsi * p.normal.x + cosPsi * p.normal.z;
    const double throatRadius = g.centreDistance - g.referenceRadius;
    const double lead =
        std::atan(rho * std::abs(p.normal.y / alongMeridian) / throatRadius);
    EXPECT_NEAR(lead * 180 / std::numbers::pi, r.throatLeadAngleRadians * 180 / std::numbers::pi,
                row.leadDegrees);

    // normal chordal thickness: across the thread's centre line, at the
    // height of the chord between the flanks on the reference circle
    const double rising = p.normal.y * p.normal.z > 0 ? -1 : 1;  // the flank's slope sets the hand
    const Vec3 across{0, -rising * std::sin(lead), std::cos(lead)};
    const EnvelopedFlank::Span s = flank.span(throat.wheelAngle);
    const Vec3 centre{rho, 0, 0};
    const Vec3 hit = flankCrossing(flank, centre, across, throat.wheelAngle,
                                   s.root + throat.height * (s.tip - s.root));
    // the second flank is the half-turn image about X1: the same distance
    const double chordal = 2 * norm(hit - centre);
    std::cout << row.centreDistance << "/" << row.wheelTeeth << "/" << row.wormStarts << ": lead "
              << lead * 180 / std::numbers::pi << " deg (design " << r.throatLeadAngle
              << "), normal chordal thickness " << chordal << " mm (label "
              << r.wormNormalChordalThickness << ")\n";
    EXPECT_NEAR(chordal, r.wormNormalChordalThickness, row.chordal);
}

INSTANTIATE_TEST_SUITE_P(Designs, ThroatOfTheWorm,
                         testing::Values(ThroatRow{"50", "60", "1", 0.01, 0.005},    // 3.2 deg
                                         ThroatRow{"500", "63", "1", 0.01, 0.005},   // 4.3 deg
                                         ThroatRow{"160", "45", "1", 0.01, 0.005},   // 5.0 deg
                                         ThroatRow{"100", "31", "1", 0.01, 0.010},   // 6.7 deg
                                         ThroatRow{"250", "50", "2", 0.01, 0.015},   // 9.7 deg
                                         ThroatRow{"160", "40", "4", 0.03, 0.050}),  // 19.3 deg
                         [](const auto& info) {
                             return std::string(info.param.centreDistance) + "_" +
                                    info.param.wheelTeeth + "_" + info.param.wormStarts;
                         });

TEST(ModelOptions, GridTexts) {
    const struct {
        const char* text;
        int rows, columns;  // 0: refused
    } rows[] = {{"9x9", 9, 9},   {"12X5", 12, 5},  {" 3 x 4 ", 3, 4}, {"2x200", 2, 200},
                {"1x9", 0, 0},   {"9x201", 0, 0},  {"9", 0, 0},       {"9x", 0, 0},
                {"-3x3", 0, 0},  {"3.5x3", 0, 0},  {"", 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto size = gridSizeFromText(row.text);
        ASSERT_EQ(size.has_value(), row.rows > 0);
        if (size) {
            EXPECT_EQ(std::pair(size->rows, size->columns), std::pair(row.rows, row.columns));
        }
    }
}

TEST(ModelOptions, FileEndingsAndHands) {
    EXPECT_EQ(modelFormatOf("a/蜗杆.STEP"), ModelFormat::Step);
    EXPECT_EQ(modelFormatOf("x.stp"), ModelFormat::Step);
    EXPECT_EQ(modelFormatOf("x.Stl"), ModelFormat::Stl);
    EXPECT_EQ(modelFormatOf("x.csv"), ModelFormat::Csv);
    EXPECT_EQ(modelFormatOf("x.iges"), std::nullopt);
    EXPECT_EQ(modelFormatOf("step"), std::nullopt);
    EXPECT_EQ(handFromText("右旋"), 1);
    EXPECT_EQ(handFromText("左旋"), -1);
    EXPECT_THROW(handFromText("右"), ModelError);
    // a design never calculated gives no model, with its reason
    EXPECT_THROW(PairModeller(DesignSnapshot{{}, {}, "", "", "", "", "右旋", "", "", ""}), ModelError);
}

// The memory a build is said to need, against the peak resident sizes the
// tool measured (MB), and a machine with less refusing before the build.
TEST(ModelMemory, EstimatesFollowTheMeasuredBuildsAndRefuseWhatDoesNotFit) {
    const DesignRecord small = shippedDesign("160", "45", "1").record;
    const DesignRecord large = shippedDesign("1500", "80", "1").record;
    const DesignRecord starts = shippedDesign("800", "60", "3").record;
    const struct {
        const char* name;
        const DesignRecord& design;
        ModelPart part;
        double measured;
    } rows[] = {{"160/45/1 wheel", small, ModelPart::Wheel, 120},
                {"1500/80/1 wheel", large, ModelPart::Wheel, 250},
                {"800/60/3 wheel", starts, ModelPart::Wheel, 492},
                {"160/45/1 worm", small, ModelPart::Worm, 78},
                {"1500/80/1 hob", large, ModelPart::Hob, 102},
                {"160/45/1 pair", small, ModelPart::Pair, 130}};
    constexpr double kMiB = 1024.0 * 1024.0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double estimate = buildMemoryEstimate(row.design, row.part) / kMiB;
        EXPECT_GT(estimate, 0.95 * row.measured);
        EXPECT_LT(estimate, 1.5 * row.measured);
        EXPECT_GE(buildMemoryEstimate(row.design, ModelPart::Pair),
                  buildMemoryEstimate(row.design, row.part));
    }
    const std::uint64_t available = 200 * 1024 * 1024;
    EXPECT_NO_THROW(requireMemoryFor(small, ModelPart::Wheel, available));
    EXPECT_NO_THROW(requireMemoryFor(large, ModelPart::Worm, available));
    try {
        requireMemoryFor(large, ModelPart::Wheel, available);
        ADD_FAILURE() << "a wheel of 260 MB built with 200 MB";
    } catch (const ModelError& e) {
        EXPECT_STREQ(e.what(), "本设计的蜗轮模型约需 260 MB 内存，超出本机可用的 200 MB，未生成");
    }
    EXPECT_GT(availableMemory(), 0u);
}

// Memory running out inside the kernel (the address space limited once the
// build has passed its check) is the module's message, not the program's end.
TEST(ModelMemory, RunningOutInsideTheKernelIsAModelError) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's own bookkeeping needs address space the limit takes
    // away: under it the process ends before any allocation can fail
    GTEST_SKIP() << "the address-space limit cannot be tested under AddressSanitizer";
#endif
    struct LimitOnStart : BuildProgress {
        void report(int, int, std::string_view) override {
            if (limited) return;
            std::ifstream statm("/proc/self/statm");
            rlim_t pages = 0;
            statm >> pages;
            const rlimit tight{pages * sysconf(_SC_PAGESIZE) + (8 << 20), saved.rlim_max};
            limited = setrlimit(RLIMIT_AS, &tight) == 0;
        }
        bool cancelled() const override { return false; }
        rlimit saved{};
        bool limited = false;
    } progress;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &progress.saved), 0);
    const auto models = modelService(WORMPAIR_PROGRAM_DIR).models(shippedDesign("160", "45", "1"));
    try {
        models->build(ModelPart::Wheel, WormKind::Ground, &progress);
        ADD_FAILURE() << "built within 8 MB more";
    } catch (const ModelError& e) {
        EXPECT_STREQ(e.what(), "内存不足，无法生成蜗轮模型（需要约 130 MB）");
    } catch (...) {
        ADD_FAILURE() << "not a ModelError";
    }
    setrlimit(RLIMIT_AS, &progress.saved);
    EXPECT_TRUE(progress.limited);
}

}  // namespace
}  // namespace wormpair::model
