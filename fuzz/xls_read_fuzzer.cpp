// Any input must either load or fail with XlsError; a loaded workbook must
// survive reading, editing, writing and reading back its own output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "xls/xls_read_write.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    wormpair::TXLSReadWriteII4 workbook;
    try {
        workbook.readFromBytes(std::span<const std::uint8_t>(data, size));
    } catch (const wormpair::XlsError&) {
        return 0;
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) (void)workbook.getCellText(column, row);
    }
    try {
        workbook.setCellText(0, 0, "fuzz 蜗杆");
        workbook.setCellText(1, 2, "");
        workbook.setCellText(3, 40, "new row");
    } catch (const wormpair::XlsError&) {
        // A chart as the first sheet has no cells.
    }
    std::vector<std::uint8_t> written;
    try {
        written = workbook.writeToBytes();
    } catch (const wormpair::XlsError&) {
        return 0;  // too large to write
    }
    wormpair::TXLSReadWriteII4 again;
    again.readFromBytes(written);  // our own output must always load
    if (again.getCellText(0, 0) != workbook.getCellText(0, 0)) std::abort();
    return 0;
}
