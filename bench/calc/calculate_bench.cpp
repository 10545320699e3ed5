#include <benchmark/benchmark.h>

#include "calc/calculate.h"

namespace {

// Discards what a run writes, so the benchmark measures the calculation and
// the label texts, not a view.
class NullView : public wormpair::ResultView {
public:
    void resetResults() override {}
    void setLabelText(std::string_view, std::string_view text) override {
        benchmark::DoNotOptimize(text.data());
    }
    void setLabelWarning(std::string_view, std::string_view) override {}
    void showResults() override {}
};

void BM_CompleteCalculation(benchmark::State& state) {
    const wormpair::CalculationInputs inputs{"160", "45", "45", "1", "104", "0.5", "56", "0.2", "2",
                                             false};
    const wormpair::CoefficientSet coefficients = wormpair::CoefficientSet::factory();
    wormpair::DesignRecord record;
    wormpair::DocumentState document;
    NullView view;
    for (auto _ : state) {
        const auto result = wormpair::calculate(inputs, coefficients, record, document, view);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_CompleteCalculation);

}  // namespace
