// Series design in process: 10,000 pairs recommended, calculated, checked
// for what the machines make of them and made into rows (target: under 1 s;
// 0.66 s without the checks), and the standard series with its workbook.
//   build/bench/series_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
// The whole process of the tool: bench/series/series_bench.sh.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "series/series_design.h"
#include "series/series_output.h"
#include "store/startup_load.h"

namespace {

using namespace wormpair;

struct Rules {
    Rules() : database(WORMPAIR_PROGRAM_DIR), tables(database) {
        if (!loadCoefficients(database, coefficients).ok) throw std::runtime_error("no rules");
    }
    ParameterDatabase database;
    PreloadedRuleTables tables;
    CoefficientSet coefficients;
};

// 40 centre distances from 100 to 1270 mm by 30, 250 whole ratios from 10.
SeriesPlan tenThousandPairs() {
    std::vector<std::string> centreDistances;
    std::vector<std::string> ratios;
    for (int a = 100; centreDistances.size() < 40; a += 30)
        centreDistances.push_back(std::to_string(a));
    for (int i = 10; ratios.size() < 250; ++i) ratios.push_back(std::to_string(i));
    return planSeries(centreDistances, ratios, {});
}

void BM_TenThousandDesigns(benchmark::State& state) {
    Rules rules;
    const SeriesPlan plan = tenThousandPairs();
    if (plan.cases.size() != 10000) state.SkipWithError("the plan is not 10,000 pairs");
    for (auto _ : state) {
        const std::vector<SeriesRow> rows =
            designSeries(rules.tables, rules.coefficients, plan, {});
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_TenThousandDesigns)->Unit(benchmark::kMillisecond);

void BM_StandardSeriesWorkbook(benchmark::State& state) {
    Rules rules;
    const SeriesPlan plan =
        planSeries({kStandardCentreDistances.begin(), kStandardCentreDistances.end()},
                   {kStandardRatios.begin(), kStandardRatios.end()}, {});
    for (auto _ : state) {
        const std::vector<SeriesRow> rows =
            designSeries(rules.tables, rules.coefficients, plan, {});
        const std::vector<std::uint8_t> bytes = seriesWorkbook(rows, true);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_StandardSeriesWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace
