// Filling a parameter-sheet template: read it, set 22 cells on the first
// sheet, write it out. The program's own template (1.xls beside the
// executables) when it is there, else a LibreOffice parameter sheet.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "xls/xls_read_write.h"

namespace {

std::filesystem::path templatePath() {
    const std::filesystem::path program = WORMPAIR_PROGRAM_DIR "1.xls";
    std::error_code error;
    if (std::filesystem::is_regular_file(program, error)) return program;
    return std::filesystem::path(WORMPAIR_BENCH_CORPUS_DIR) / "generated" /
           "lo_param_single_zh.xls";
}

void fillTemplate(wormpair::TXLSReadWriteII4& workbook) {
    workbook.setFilename(templatePath());
    workbook.readWorkbook();
    for (int i = 0; i < 22; ++i) {
        workbook.setCellText(2, 2 + i, "参数 " + std::to_string(i * 1.25));
    }
}

void BM_FillTemplateToMemory(benchmark::State& state) {
    for (auto _ : state) {
        wormpair::TXLSReadWriteII4 workbook;
        fillTemplate(workbook);
        auto bytes = workbook.writeToBytes();
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_FillTemplateToMemory)->Unit(benchmark::kMicrosecond);

void BM_FillTemplateToFile(benchmark::State& state) {
    const auto target = std::filesystem::temp_directory_path() / "wormpair-xls-bench.xls";
    for (auto _ : state) {
        wormpair::TXLSReadWriteII4 workbook;
        fillTemplate(workbook);
        workbook.setFilename(target);
        workbook.writeWorkbook();
    }
    std::error_code error;
    std::filesystem::remove(target, error);
}
BENCHMARK(BM_FillTemplateToFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
