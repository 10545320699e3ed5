// One parameter-sheet export on each route, as the window runs it: the
// toolbar route reads the template, fills the cells and writes the sheet
// (flushed to disk); the menu route does the same through LibreOffice, from
// starting the application to its end.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "export/libreoffice_application.h"
#include "export/parameter_sheets.h"
#include "fake_platform.h"
#include "xls/xls_read_write.h"

namespace {

using namespace wormpair;

SheetSources design() {
    SheetSources s;
    s.record.transverseModule = 5.667;
    s.record.wrappedTeeth = 4.5;
    s.record.motherPlaneInclinationText = "5.772";
    s.record.modifiedCentreDistance = 161.1334;
    s.accuracy = {"18", "30", "0.08", "21", "80", "0.11"};
    s.wormStarts = "1";
    s.wheelTeeth = "45";
    s.gradeDesignation = "7j(GB/T16445-1996)";
    s.hand = "右旋";
    return s;
}

void BM_ToolbarRoute(benchmark::State& state) {
    QTemporaryDir dir;
    const QString target = dir.filePath("wogan.xls");
    const SheetSources sources = design();
    TXLSReadWriteII4 workbook;
    FakePlatform desktop;
    for (auto _ : state) {
        desktop.saveNames = {target};
        if (exportByToolbar(Sheet::Worm, sources, WORMPAIR_PROGRAM_DIR, workbook,
                            {desktop, desktop, desktop}) != ExportOutcome::Written) {
            state.SkipWithError("export failed");
        }
    }
}
BENCHMARK(BM_ToolbarRoute)->Unit(benchmark::kMillisecond);

void BM_MenuRoute(benchmark::State& state) {
    QTemporaryDir dir;
    const QString target = dir.filePath("wogan.xls");
    const SheetSources sources = design();
    LibreOfficeOptions options;
    options.profileFolder = WORMPAIR_BENCH_OFFICE_PROFILE;
    LibreOfficeApplications applications(options);
    std::unique_ptr<SpreadsheetApplication> handle;
    FakePlatform desktop;
    for (auto _ : state) {
        desktop.saveNames = {target};
        if (exportByMenu(Sheet::Worm, sources, WORMPAIR_PROGRAM_DIR, applications, handle,
                         {desktop, desktop, desktop}) != ExportOutcome::Written) {
            state.SkipWithError("export failed");
        }
        handle.reset();
    }
}
BENCHMARK(BM_MenuRoute)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
