// Time of the models of two designs with the shipped rules (medians of five
// runs): the exact flank evaluator alone at the density the fit samples it,
// the contact lines, the marking pattern, and the STEP files of the worm, the wheel and the pair,
// built and written to memory as the window and the tool do.
#include <benchmark/benchmark.h>

#include "analysis/contact_lines.h"
#include "analysis/marking_pattern.h"
#include "model/enveloping.h"
#include "model/flank_graph.h"
#include "model/model_files.h"
#include "model/pair_model.h"
#include "model_designs.h"

namespace {

using namespace wormpair;
using namespace wormpair::model;

const DesignSnapshot& design(int which) {
    static const DesignSnapshot designs[] = {shippedDesign("160", "45", "1"),
                                             shippedDesign("500", "63", "1")};
    return designs[which];
}

void BM_FlankEvaluator(benchmark::State& state) {
    const PairModeller modeller(design(static_cast<int>(state.range(0))));
    const EnvelopedFlank& flank = modeller.wormFlank(WormKind::Ground);
    const double half = flank.blank().halfLength;
    for (auto _ : state) {
        // 64 rows a turn and 33 heights, as the fit samples it
        const auto points = ThreadFlankGraph(flank).grid(evenlySpaced(-half, half, 401),
                                                        evenlySpaced(0, 1, 33));
        benchmark::DoNotOptimize(points.data());
    }
}

void stepOf(benchmark::State& state, ModelPart part) {
    for (auto _ : state) {
        const PairModeller modeller(design(static_cast<int>(state.range(0))));
        const ModelBuild build = modeller.build(part, WormKind::Ground);
        std::vector<NamedPart> parts;
        for (const PartModel& p : build.parts)
            parts.push_back({p.name, p.shape, part == ModelPart::Pair ? p.placement : gp_Trsf()});
        const std::vector<std::uint8_t> bytes = stepBytes(parts, build.assemblyName);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_WormStep(benchmark::State& state) { stepOf(state, ModelPart::Worm); }
void BM_WheelStep(benchmark::State& state) { stepOf(state, ModelPart::Wheel); }
void BM_PairStep(benchmark::State& state) { stepOf(state, ModelPart::Pair); }

// The contact lines as the tool asks for them: the evaluators made, then
// seven positions of the worm as ground.
void BM_ContactLines(benchmark::State& state) {
    for (auto _ : state) {
        const PairModeller modeller(design(static_cast<int>(state.range(0))));
        const analysis::ContactSettings settings;
        const std::string csv =
            analysis::contactCsv(modeller, analysis::contactLines(modeller, settings), settings);
        benchmark::DoNotOptimize(csv.data());
    }
}

// The marking pattern as the tool and the window ask for it: the worm as
// ground, no assembly errors, the default sampling.
void BM_MarkingPattern(benchmark::State& state) {
    for (auto _ : state) {
        const PairModeller modeller(design(static_cast<int>(state.range(0))));
        const analysis::MarkingPattern pattern = analysis::markingPattern(modeller, {});
        benchmark::DoNotOptimize(pattern.flankShare);
    }
}

// 0: 160/45/1, 1: 500/63/1
#define WORMPAIR_MODEL_BENCH(name)                                                          \
    BENCHMARK(name)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5) \
        ->ReportAggregatesOnly(true)
WORMPAIR_MODEL_BENCH(BM_FlankEvaluator);
WORMPAIR_MODEL_BENCH(BM_ContactLines);
WORMPAIR_MODEL_BENCH(BM_MarkingPattern);
WORMPAIR_MODEL_BENCH(BM_WormStep);
WORMPAIR_MODEL_BENCH(BM_WheelStep);
WORMPAIR_MODEL_BENCH(BM_PairStep);

}  // namespace
