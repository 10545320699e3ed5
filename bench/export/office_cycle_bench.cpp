// One export on the menu route against LibreOffice, from starting the
// office to its end: create, open the worm template, 20 cells, save as,
// saved, close, quit. Cold: the profile folder removed before each run (the
// first export after installing); warm: the profile kept from the run
// before. Each run is one iteration; report the medians of the repetitions.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "export/libreoffice_application.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const fs::path kProfile = WORMPAIR_BENCH_OFFICE_PROFILE;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

wormpair::LibreOfficeApplications applications() {
    wormpair::LibreOfficeOptions options;
    options.profileFolder = kProfile;
    options.connectTimeout = std::chrono::seconds(120);
    return wormpair::LibreOfficeApplications(options);
}

// Runs one cycle; the time of each phase goes into the counters.
void cycle(benchmark::State& state) {
    const fs::path target = fs::temp_directory_path() / "wormpair-office-bench.xls";
    auto factory = applications();
    auto start = Clock::now();
    const auto application = factory.create();
    state.counters["start_ms"] = millisecondsSince(start);
    start = Clock::now();
    application->setVisible(false);
    application->openWorkbook(QStringLiteral(WORMPAIR_PROGRAM_DIR "1.xls"));
    state.counters["open_ms"] = millisecondsSince(start);
    start = Clock::now();
    for (int i = 0; i < 20; ++i) {
        application->setCellValue(2 + i, 3, QStringLiteral("参数 %1").arg(i * 1.25));
    }
    state.counters["cells_ms"] = millisecondsSince(start);
    start = Clock::now();
    application->saveActiveWorkbookAs(QString::fromStdString(target.string()));
    application->setActiveWorkbookSaved(true);
    application->closeWorkbooks();
    state.counters["save_close_ms"] = millisecondsSince(start);
    start = Clock::now();
    application->quit();
    state.counters["quit_ms"] = millisecondsSince(start);
    fs::remove(target);
}

// Runs one cycle; false (the benchmark skipped) when there is no office.
bool cycleOrSkip(benchmark::State& state) {
    try {
        cycle(state);
        return true;
    } catch (const wormpair::SpreadsheetError& error) {
        state.SkipWithError(error.what());
        return false;
    }
}

void BM_MenuCycleColdProfile(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(kProfile);
        state.ResumeTiming();
        if (!cycleOrSkip(state)) break;
    }
}
BENCHMARK(BM_MenuCycleColdProfile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_MenuCycleWarmProfile(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        if (!fs::exists(kProfile)) cycleOrSkip(state);  // the profile exists from here on
        state.ResumeTiming();
        if (!cycleOrSkip(state)) break;
    }
}
BENCHMARK(BM_MenuCycleWarmProfile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// An export that failed part way: the handle is dropped without quit, and
// its office is ended.
void BM_DroppedApplicationEnds(benchmark::State& state) {
    auto factory = applications();
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<wormpair::SpreadsheetApplication> application;
        try {
            application = factory.create();
            application->openWorkbook(QStringLiteral(WORMPAIR_PROGRAM_DIR "1.xls"));
        } catch (const wormpair::SpreadsheetError& error) {
            state.SkipWithError(error.what());
            break;
        }
        state.ResumeTiming();
        application.reset();
    }
}
BENCHMARK(BM_DroppedApplicationEnds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
