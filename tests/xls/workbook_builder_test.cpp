// New workbooks read back by our own reader and by python3-xlrd, which shares
// no code with ours: sheet names, text and number cells, the three looks and
// the frozen caption row.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "calc/numeric.h"
#include "program_run.h"
#include "temp_dir.h"
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
        {1, 0, 0, longText(), 0, CellLook::Plain},
        {1, 4, 7, "", 123456789012345.0, CellLook::Plain},
        {1, 4, 7, "", 0.1, CellLook::Plain},  // set again: replaces
        {2, 0, 0, "", 1e300, CellLook::Plain},
    };
    // more rows than one row block holds
    for (int row = 3; row < 100; ++row) cells.push_back({0, 0, row, "", row * 0.5, CellLook::Plain});
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
    EXPECT_EQ(reader.sheetCount(), 3u);
    EXPECT_EQ(reader.getCellText(0, 0), "中心距 a/mm");
    EXPECT_EQ(reader.getCellText(1, 1), "24.873");
    EXPECT_EQ(reader.getCellText(3, 1), "say \"yes\"");
    EXPECT_EQ(reader.getCellText(255, 2), formatReal(-1.5e-7L));
    EXPECT_EQ(reader.getCellText(0, 99), "49.5");
}

TEST(WorkbookBuilder, XlrdSeesSheetsCellsAndLooks) {
    const std::string python = wormpair::testing::foundProgram(WORMPAIR_XLRD_PYTHON);
    ASSERT_FALSE(python.empty()) << "python3 with xlrd not found: run scripts/setup.sh";
    testing::TempDir dir;
    const auto path = dir / "built.xls";
    const std::vector<std::uint8_t> bytes = sampleWorkbook();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto [status, output] =
        wormpair::testing::runProgram(wormpair::testing::shellQuoted(python) + " " +
                            wormpair::testing::shellQuoted(WORMPAIR_SOURCE_DIR "tests/xls/xlrd_dump.py") +
                            " " + wormpair::testing::shellQuoted(path.string()));
    ASSERT_EQ(status, 0) << output;
    const QJsonArray sheets =
        QJsonDocument::fromJson(QByteArray::fromStdString(output)).object()["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 3);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(sheets[s]["name"].toString().toStdString(), kSheetNames[std::size_t(s)]);
    }
    EXPECT_EQ(sheets[0]["frozen_rows"].toInt(), 1);
    EXPECT_EQ(sheets[1]["frozen_rows"].toInt(), 0);

    // the last value set on a cell is the one read
    std::map<std::tuple<int, int, int>, Cell> expected;
    for (const Cell& c : sampleCells()) expected[{c.sheet, c.row, c.column}] = c;
    std::size_t seen = 0;
    for (int s = 0; s < 3; ++s) {
        for (const QJsonValue& value : sheets[s]["cells"].toArray()) {
            const QJsonArray got = value.toArray();
            const auto found = expected.find({s, got[0].toInt(), got[1].toInt()});
            ASSERT_NE(found, expected.end()) << s << " " << got[0].toInt() << " " << got[1].toInt();
            const Cell& c = found->second;
            SCOPED_TRACE(std::to_string(s) + ":" + std::to_string(c.row) + "," +
                         std::to_string(c.column));
            if (c.text.empty()) {
                EXPECT_EQ(got[2].toString(), "number");
                EXPECT_EQ(got[3].toDouble(), c.number);
            } else {
                EXPECT_EQ(got[2].toString(), "text");
                EXPECT_EQ(got[3].toString().toStdString(), c.text);
            }
            const int fill = got[4].isNull() ? -1 : got[4].toInt();
            EXPECT_EQ(fill, c.look == CellLook::Warning   ? 0x0A
                            : c.look == CellLook::Caption ? 0x16
                                                          : -1);
            EXPECT_EQ(got[5].toBool(), c.look == CellLook::Caption);
            ++seen;
        }
    }
    EXPECT_EQ(seen, expected.size());
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
        {"a text too long", [](WorkbookBuilder& b) { b.setText(0, 0, 0, std::string(32768, 'x')); }},
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
