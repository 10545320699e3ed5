#include "xls/workbook_builder.h"

#include <algorithm>
#include <cmath>

#include "xls/byte_order.h"
#include "xls/compound_file.h"
#include "xls/text_encoding.h"
#include "xls/xls_error.h"

namespace wormpair::xls {
namespace {

// Records a new workbook holds besides those the component reads.
namespace nt {
constexpr std::uint16_t kCalcPrecision = 0x000E;
constexpr std::uint16_t kDate1904 = 0x0022;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kBackup = 0x0040;
constexpr std::uint16_t kPane = 0x0041;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kWsBool = 0x0081;
constexpr std::uint16_t kCountry = 0x008C;
constexpr std::uint16_t kHideObj = 0x008D;
constexpr std::uint16_t kBookBool = 0x00DA;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kDefaultRowHeight = 0x0225;
constexpr std::uint16_t kStyle = 0x0293;
}  // namespace nt

constexpr std::uint16_t kBofBuild = 0x0DBB;
constexpr std::uint16_t kBofYear = 0x07CC;
constexpr std::uint16_t kUtf16CodePage = 1200;
constexpr std::uint16_t kCountryChina = 86;
constexpr std::size_t kMaxSheetNameLength = 31;
constexpr std::size_t kMaxCellTextLength = 32767;

// Fonts: the first four are the defaults, and a workbook has no font 4, so
// the bold caption font written fifth is font 5.
constexpr std::uint16_t kFontHeightTwips = 220;  // 11 points
constexpr std::uint16_t kWeightNormal = 400;
constexpr std::uint16_t kWeightBold = 700;
constexpr std::uint8_t kCharSetGb2312 = 134;
constexpr std::u16string_view kFontName = u"宋体";
constexpr std::uint16_t kBoldFont = 5;

// XF records: 15 style XFs, the default cell XF 15, then one per look.
constexpr std::uint16_t kStyleXfCount = 15;
constexpr std::uint16_t kDefaultXf = 15;
constexpr std::uint16_t kCaptionXf = 16;
constexpr std::uint16_t kWarningXf = 17;
constexpr std::uint16_t kCellOfNormalStyle = 0x0001;  // locked, parent style XF 0
constexpr std::uint16_t kStyleXfFlags = 0xFFF5;       // locked, style, no parent
constexpr std::uint8_t kAlignBottom = 0x20;
constexpr std::uint8_t kAlignCentredWrapped = 0x02 | 0x08 | 0x10;  // centre, wrap, middle
constexpr std::uint8_t kUsesFont = 0x08;
constexpr std::uint8_t kUsesAlignment = 0x10;
constexpr std::uint8_t kUsesFill = 0x40;
constexpr std::uint8_t kStyleIgnoresAllButFont = 0xF4;
constexpr std::uint32_t kSolidFill = 1u << 26;
// Colours of the default palette.
constexpr std::uint16_t kRed = 0x0A;
constexpr std::uint16_t kSilver = 0x16;
constexpr std::uint16_t kSystemText = 0x40;
constexpr std::uint16_t kSystemWindow = 0x41;

// Sheet window: grid, headers, zeros, outline symbols, default grid colour.
constexpr std::uint16_t kWindowShown = 0x00B6;
constexpr std::uint16_t kWindowFrozen = 0x0008 | 0x0100;
constexpr std::uint16_t kWindowSelected = 0x0200 | 0x0400;
constexpr std::uint8_t kPaneBottomLeft = 2;

Record record(std::uint16_t type, std::initializer_list<std::uint16_t> fields) {
    Record r{type, {}};
    for (const std::uint16_t field : fields) appendU16(r.data, field);
    return r;
}

void appendShortUnicodeString(std::vector<std::uint8_t>& out, std::u16string_view text) {
    appendU8(out, static_cast<std::uint8_t>(text.size()));
    appendU8(out, 1);  // UTF-16
    for (const char16_t c : text) appendU16(out, c);
}

Record font(std::uint16_t weight) {
    Record r = record(nt::kFont, {kFontHeightTwips, 0, 0x7FFF, weight, 0});
    appendU8(r.data, 0);  // no underline
    appendU8(r.data, 0);  // family
    appendU8(r.data, kCharSetGb2312);
    appendU8(r.data, 0);
    appendShortUnicodeString(r.data, kFontName);
    return r;
}

struct XfLook {
    std::uint16_t font = 0;
    std::uint16_t flags = kCellOfNormalStyle;
    std::uint8_t alignment = kAlignBottom;
    std::uint8_t used = 0;
    std::uint32_t fill = 0;
    std::uint16_t foreground = kSystemText;
};

Record xf(const XfLook& look) {
    Record r = record(nt::kXf, {look.font, 0, look.flags});
    appendU8(r.data, look.alignment);
    appendU8(r.data, 0);  // no rotation
    appendU8(r.data, 0);  // no indent
    appendU8(r.data, look.used);
    appendU32(r.data, 0);  // no borders
    appendU32(r.data, look.fill);
    appendU16(r.data, static_cast<std::uint16_t>(look.foreground | (kSystemWindow << 7)));
    return r;
}

Record bof(std::uint16_t kind) {
    Record r = record(rt::kBof, {kBiff8Version, kind, kBofBuild, kBofYear});
    appendU32(r.data, 0);
    appendU32(r.data, 0x0006);  // lowest version to read it: BIFF8
    return r;
}

std::uint16_t xfOf(CellLook look) {
    switch (look) {
        case CellLook::Plain:
            return kDefaultXf;
        case CellLook::Caption:
            return kCaptionXf;
        case CellLook::Warning:
            return kWarningXf;
    }
    return kDefaultXf;
}

// The records of a sheet with no cells yet, laid out by FirstSheet.
std::vector<Record> emptySheet(const SheetLayout& layout, bool first) {
    std::vector<Record> records;
    records.push_back(bof(kBofWorksheet));
    records.push_back(Record{rt::kIndex, std::vector<std::uint8_t>(16, 0)});
    records.push_back(record(nt::kDefaultRowHeight, {0, 0x00FF}));
    records.push_back(record(nt::kWsBool, {0x04C1}));
    records.push_back(record(rt::kDefColWidth, {8}));
    for (std::size_t column = 0; column < layout.columnWidths.size(); ++column) {
        const double width = std::clamp(layout.columnWidths[column], 0.0, 255.0);
        const auto units = static_cast<std::uint16_t>(std::lround(width * 256));
        const auto c = static_cast<std::uint16_t>(column);
        records.push_back(record(rt::kColInfo, {c, c, units, kDefaultXf, 0, 0}));
    }
    records.push_back(Record{rt::kDimensions, std::vector<std::uint8_t>(14, 0)});
    const bool frozen = layout.frozenRows > 0;
    std::uint16_t flags = kWindowShown;
    if (frozen) flags |= kWindowFrozen;
    if (first) flags |= kWindowSelected;
    records.push_back(record(rt::kWindow2, {flags, 0, 0, kSystemText, 0, 0, 0, 0, 0}));
    if (frozen) {
        const auto rows = static_cast<std::uint16_t>(layout.frozenRows);
        Record pane = record(nt::kPane, {0, rows, rows, 0});
        appendU8(pane.data, kPaneBottomLeft);
        appendU8(pane.data, 0);
        records.push_back(std::move(pane));
    }
    records.push_back(Record{rt::kEof, {}});
    return records;
}

std::size_t streamSize(const std::vector<Record>& records) {
    std::size_t size = 0;
    for (const Record& r : records) size += r.streamSize();
    return size;
}

}  // namespace

int WorkbookBuilder::addSheet(std::string_view name, const SheetLayout& layout) {
    const std::u16string wide = utf8ToUtf16(name);
    if (wide.empty() || wide.size() > kMaxSheetNameLength) {
        throw XlsError("工作表名称须为 1 到 31 个字符");
    }
    if (wide.find_first_of(u":\\/?*[]") != std::u16string::npos) {
        throw XlsError("工作表名称不能含有 : \\ / ? * [ 或 ]");
    }
    for (const Sheet& other : m_sheets) {
        if (cfbNamesEqual(other.name, wide)) throw XlsError("两个工作表不能同名");
    }
    if (layout.frozenRows < 0 || layout.frozenRows >= FirstSheet::kMaxRows ||
        layout.columnWidths.size() > FirstSheet::kMaxColumns) {
        throw XlsError("工作表布局超出 256 列、65536 行的范围");
    }
    Sheet sheet{wide, {}};
    sheet.cells.load(emptySheet(layout, m_sheets.empty()));
    m_sheets.push_back(std::move(sheet));
    return static_cast<int>(m_sheets.size() - 1);
}

WorkbookBuilder::Sheet& WorkbookBuilder::sheet(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_sheets.size()) {
        throw XlsError("没有该编号的工作表");
    }
    return m_sheets[static_cast<std::size_t>(index)];
}

void WorkbookBuilder::setText(int sheetIndex, int column, int row, std::string_view text,
                              CellLook look) {
    Sheet& target = sheet(sheetIndex);
    const std::u16string wide = utf8ToUtf16(text);
    if (wide.size() > kMaxCellTextLength) throw XlsError("单元格文本超过 32767 个字符");
    if (column < 0 || row < 0 || column >= FirstSheet::kMaxColumns || row >= FirstSheet::kMaxRows) {
        throw XlsError("单元格位置超出工作表范围（列 0–255，行 0–65535）");
    }
    target.cells.setSharedString(column, row, m_strings.add(wide), xfOf(look));
}

void WorkbookBuilder::setNumber(int sheetIndex, int column, int row, double value, CellLook look) {
    sheet(sheetIndex).cells.setNumber(column, row, value, xfOf(look));
}

std::vector<std::uint8_t> WorkbookBuilder::writeToBytes() const {
    if (m_sheets.empty()) throw XlsError("工作簿至少要有一个工作表");

    std::vector<Record> globals;
    globals.push_back(bof(kBofWorkbookGlobals));
    globals.push_back(record(nt::kCodePage, {kUtf16CodePage}));
    globals.push_back(record(nt::kWindow1, {0, 0, 0x3000, 0x2000, 0x0038, 0, 0, 1, 0x0258}));
    for (const std::uint16_t flag : {nt::kBackup, nt::kHideObj, nt::kDate1904}) {
        globals.push_back(record(flag, {0}));
    }
    globals.push_back(record(nt::kCalcPrecision, {1}));
    globals.push_back(record(nt::kBookBool, {0}));
    for (int i = 0; i < 4; ++i) globals.push_back(font(kWeightNormal));
    globals.push_back(font(kWeightBold));
    globals.push_back(xf({0, kStyleXfFlags, kAlignBottom, 0, 0, kSystemText}));
    for (int i = 1; i < kStyleXfCount; ++i) {
        globals.push_back(
            xf({0, kStyleXfFlags, kAlignBottom, kStyleIgnoresAllButFont, 0, kSystemText}));
    }
    globals.push_back(xf({}));
    globals.push_back(xf({kBoldFont, kCellOfNormalStyle, kAlignCentredWrapped,
                          kUsesFont | kUsesAlignment | kUsesFill, kSolidFill, kSilver}));
    globals.push_back(xf({0, kCellOfNormalStyle, kAlignBottom, kUsesFill, kSolidFill, kRed}));
    Record normalStyle = record(nt::kStyle, {0x8000});  // built-in style of XF 0
    appendU8(normalStyle.data, 0);                      // Normal
    appendU8(normalStyle.data, 0xFF);
    globals.push_back(std::move(normalStyle));
    const std::size_t firstBoundSheet = globals.size();
    for (const Sheet& sheet : m_sheets) {
        Record boundSheet{rt::kBoundSheet, {}};
        appendU32(boundSheet.data, 0);  // its position, known below
        appendU8(boundSheet.data, 0);   // visible
        appendU8(boundSheet.data, 0);   // worksheet
        appendShortUnicodeString(boundSheet.data, sheet.name);
        globals.push_back(std::move(boundSheet));
    }
    globals.push_back(record(nt::kCountry, {kCountryChina, kCountryChina}));

    std::size_t references = 0;
    for (const Sheet& sheet : m_sheets) references += sheet.cells.sharedStringCellCount();
    if (references > 0xFFFFFFFFu) throw XlsError("工作簿过大，无法写入");
    const auto totalReferences = static_cast<std::uint32_t>(references);
    const SerializedSst measured = m_strings.serialize(totalReferences, false);
    const std::size_t extSstSize = kRecordHeaderSize + 2 + 8 * measured.buckets.size();
    const std::size_t sstStart = streamSize(globals);
    const std::size_t globalsSize =
        sstStart + measured.streamSize + extSstSize + kRecordHeaderSize;  // and EOF

    std::vector<std::vector<Record>> sheets;
    std::size_t position = globalsSize;
    for (std::size_t s = 0; s < m_sheets.size(); ++s) {
        if (position > 0xFFFFFFFFu) throw XlsError("工作簿过大，无法写入");
        putU32(globals[firstBoundSheet + s].data.data(), static_cast<std::uint32_t>(position));
        sheets.push_back(m_sheets[s].cells.build(static_cast<std::uint32_t>(position)));
        position += streamSize(sheets.back());
    }
    if (position > 0xFFFFFFFFu) throw XlsError("工作簿过大，无法写入");

    std::vector<std::uint8_t> stream;
    stream.reserve(position);
    for (const Record& r : globals) appendRecord(stream, r);
    const SerializedSst written = m_strings.serialize(totalReferences, true);
    for (const Record& r : written.records) appendRecord(stream, r);
    appendRecord(stream,
                 SharedStringTable::extSstRecord(written, static_cast<std::uint32_t>(sstStart)));
    appendRecord(stream, Record{rt::kEof, {}});
    if (stream.size() != globalsSize) {
        throw XlsError("内部错误：工作簿全局数据与预先测算的长度不符");
    }
    for (const auto& records : sheets) {
        for (const Record& r : records) appendRecord(stream, r);
    }
    if (stream.size() != position) {
        throw XlsError("内部错误：工作表数据与预先测算的长度不符");
    }
    return CompoundFile::withOneStream(u"Workbook").serialize(1, stream);
}

}  // namespace wormpair::xls
