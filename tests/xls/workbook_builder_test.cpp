// New workbooks read back by our own reader; python3-xlrd reads the series
// workbook made with it (tests/series).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "calc/numeric.h"
#include "xls/workbook_builder.h"
#include "xls/xls_read_write.h"

namespace wormpair::xls {
namespace {

struct Cell {
    int sheet, column, row;
    std::string text;  // empty: a number
    double number;
    CellLook look;
};

// Long enough to run over into CONTINUE records of the string table.
std::string longText() {
    std::string text;
    for (int i = 0; text.size() < 12000; ++i) text += "蜗轮副" + std::to_string(i) + ",";
    return text;
}

const std::vector<std::string> kSheetNames = {"汇总", "中心距 80", "Sheet3"};

std::vector<Cell> sampleCells() {
    std::vector<Cell> cells = {
        {0, 0, 0, "中心距 a/mm", 0, CellLook::Caption},
        {0, 1, 0, "分度圆齿形角/°", 0, CellLook::Caption},
        {0, 0, 1, "", 160, CellLook::Plain},
        {0, 1, 1, "", 24.873, CellLook::Warning},
        {0, 2, 1, "0.3 * 4.5", 0, CellLook::Plain},
        {0, 3, 1, "say \"yes\"", 0, CellLook::Warning},
        {0, 255, 2, "", -1.5e-7, CellLook::Plain},
        {0, 5, 4, longText(), 0, CellLook::Plain},
        {0, 4, 7, "", 123456789012345.0, CellLook::Plain},
        {0, 4, 7, "", 0.1, CellLook::Plain},  // set again: replaces
        {1, 0, 0, "", 1e300, CellLook::Plain},
    };
    // more rows than one row block holds
    for (int row = 3; row < 100; ++row)
        cells.push_back({0, 0, row, "", row * 0.5, CellLook::Plain});
    return cells;
}

std::vector<std::uint8_t> sampleWorkbook() {
    WorkbookBuilder book;
    book.addSheet(kSheetNames[0], {{12, 16, 30}, 1});
    book.addSheet(kSheetNames[1]);
    book.addSheet(kSheetNames[2]);
    for (const Cell& c : sampleCells()) {
        if (c.text.empty()) {
            book.setNumber(c.sheet, c.column, c.row, c.number, c.look);
        } else {
            book.setText(c.sheet, c.column, c.row, c.text, c.look);
        }
    }
    return book.writeToBytes();
}

TEST(WorkbookBuilder, OurReaderReadsTheFirstSheetBack) {
    TXLSReadWriteII4 reader;
    reader.readFromBytes(sampleWorkbook());
    EXPECT_EQ(reader.sheetCount(), kSheetNames.size());
    std::map<std::pair<int, int>, std::string> last;  // the last text set on each cell
    for (const Cell& c : sampleCells()) {
        if (c.sheet != 0) continue;
        last[{c.column, c.row}] =
            c.text.empty() ? formatReal(static_cast<long double>(c.number)) : c.text;
    }
    for (const auto& [place, text] : last) {
        EXPECT_EQ(reader.getCellText(place.first, place.second), text)
            << place.first << "," << place.second;
    }
}

TEST(WorkbookBuilder, RefusesWhatASpreadsheetWouldNot) {
    const struct {
        const char* name;
        std::function<void(WorkbookBuilder&)> step;
    } refused[] = {
        {"empty sheet name", [](WorkbookBuilder& b) { b.addSheet(""); }},
        {"32 characters", [](WorkbookBuilder& b) { b.addSheet(std::string(32, 'a')); }},
        {"a slash", [](WorkbookBuilder& b) { b.addSheet("80/100"); }},
        {"brackets", [](WorkbookBuilder& b) { b.addSheet("[80]"); }},
        {"the same name in other case", [](WorkbookBuilder& b) { b.addSheet("SHEET1"); }},
        {"no such sheet", [](WorkbookBuilder& b) { b.setNumber(1, 0, 0, 1); }},
        {"column 256", [](WorkbookBuilder& b) { b.setText(0, 256, 0, "x"); }},
        {"row 65536", [](WorkbookBuilder& b) { b.setNumber(0, 0, 65536, 1); }},
        {"a text too long",
         [](WorkbookBuilder& b) { b.setText(0, 0, 0, std::string(32768, 'x')); }},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        WorkbookBuilder book;
        book.addSheet("Sheet1");
        EXPECT_THROW(r.step(book), XlsError);
    }
    EXPECT_THROW(WorkbookBuilder().writeToBytes(), XlsError) << "no sheet";
}

}  // namespace
}  // namespace wormpair::xls
