// Building a sheet of the worked design and writing it to a file: DXF
// (target under 20 ms) and PDF with its fonts embedded (under 100 ms).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <optional>

#include "drawing/dxf_writer.h"
#include "drawing/snapshot_design.h"
#include "input/design_snapshot.h"
#include "drawing/part_sheets.h"
#include "drawing/sheet_painter.h"
#include "input/headless_session.h"
#include "platform/file_replace.h"

namespace {

using namespace wormpair::drawing;

const Design& workedDesign() {
    static const std::optional<Design> design = [] {
        wormpair::HeadlessSession s(WORMPAIR_PROGRAM_DIR);
        s.load();
        s.form.setText("Edit1", "160");
        s.form.setText("Edit3", "45");
        s.design.speedButton2Click();
        return std::optional<Design>(drawnDesign(wormpair::designSnapshot(s.form, s.design)));
    }();
    return *design;
}

void write(const QString& path, const QByteArray& bytes) {
    wormpair::replaceFile(path.toStdString(),
                          {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())});
}

void BM_SheetToDxf(benchmark::State& state) {
    const Design& design = workedDesign();
    const SheetKind kind = sheetKinds()[static_cast<std::size_t>(state.range(0))].kind;
    QTemporaryDir dir;
    for (auto _ : state) {
        const Sheet sheet = buildSheet(design, {kind, SheetSize::A3, {}});
        write(dir.filePath("sheet.dxf"), QByteArray::fromStdString(sheetDxf(sheet)));
    }
    state.SetLabel(sheetKinds()[static_cast<std::size_t>(state.range(0))].command);
}
BENCHMARK(BM_SheetToDxf)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_SheetToPdf(benchmark::State& state) {
    const Design& design = workedDesign();
    const SheetKind kind = sheetKinds()[static_cast<std::size_t>(state.range(0))].kind;
    QTemporaryDir dir;
    for (auto _ : state) {
        const Sheet sheet = buildSheet(design, {kind, SheetSize::A3, {}});
        write(dir.filePath("sheet.pdf"), sheetPdf(sheet));
    }
    state.SetLabel(sheetKinds()[static_cast<std::size_t>(state.range(0))].command);
}
BENCHMARK(BM_SheetToPdf)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
