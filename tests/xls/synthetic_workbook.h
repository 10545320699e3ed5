#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "xls/biff_records.h"
#include "xls/byte_order.h"
#include "xls/compound_file.h"

// A workbook whose first sheet holds every kind of cell record, made from a
// LibreOffice-written corpus file: its globals (fonts, 31 XFs, styles) are
// kept, its sheet is replaced by the one built here.
namespace wormpair::xls::testing {

// XF indexes the synthetic sheet uses for its column and row defaults.
constexpr std::uint16_t kColumnXf = 22;  // COLINFO for columns 8..9
constexpr std::uint16_t kRowXf = 23;     // ROW 9 has its own XF

inline Record makeRecord(std::uint16_t type, std::initializer_list<std::uint16_t> fields) {
    Record record{type, {}};
    for (const std::uint16_t field : fields) appendU16(record.data, field);
    return record;
}

inline void appendDouble(std::vector<std::uint8_t>& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendU32(out, static_cast<std::uint32_t>(bits));
    appendU32(out, static_cast<std::uint32_t>(bits >> 32));
}

inline std::uint32_t rkInteger(std::int32_t value, bool times100) {
    return (static_cast<std::uint32_t>(value) << 2) | 0x02u | (times100 ? 1u : 0u);
}

inline std::uint32_t rkFloat(double value, bool times100) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<std::uint32_t>(bits >> 32) | (times100 ? 1u : 0u);
}

inline Record cell(std::uint16_t type, std::uint16_t column, std::uint16_t row, std::uint16_t xf) {
    return makeRecord(type, {row, column, xf});
}

inline Record numberCell(std::uint16_t column, std::uint16_t row, double value) {
    Record record = cell(rt::kNumber, column, row, 16);
    appendDouble(record.data, value);
    return record;
}

inline Record rkCell(std::uint16_t column, std::uint16_t row, std::uint32_t rk) {
    Record record = cell(rt::kRk, column, row, 17);
    appendU32(record.data, rk);
    return record;
}

inline Record boolErrCell(std::uint16_t column, std::uint16_t row, std::uint8_t value, bool error) {
    Record record = cell(rt::kBoolErr, column, row, 18);
    record.data.push_back(value);
    record.data.push_back(error ? 1 : 0);
    return record;
}

// A formula "=1" whose cached result is given as its 8 raw bytes.
inline Record formulaCell(std::uint16_t column, std::uint16_t row,
                          std::vector<std::uint8_t> result) {
    Record record = cell(rt::kFormula, column, row, 19);
    record.data.insert(record.data.end(), result.begin(), result.end());
    appendU16(record.data, 0);                                  // flags
    appendU32(record.data, 0);                                  // chn
    appendU16(record.data, 3);                                  // cce
    record.data.insert(record.data.end(), {0x1E, 0x01, 0x00});  // PtgInt 1
    return record;
}

inline std::vector<std::uint8_t> nonNumberResult(std::uint8_t kind, std::uint8_t value) {
    return {kind, 0, value, 0, 0, 0, 0xFF, 0xFF};
}

inline Record unicodeRecord(std::uint16_t type, const std::u16string& text) {
    Record record{type, {}};
    appendU16(record.data, static_cast<std::uint16_t>(text.size()));
    record.data.push_back(1);
    for (const char16_t c : text) appendU16(record.data, c);
    return record;
}

inline Record rowRecord(std::uint16_t row, std::uint16_t xf, bool ownXf) {
    Record record = makeRecord(
        rt::kRow,
        {row, 0, 0, 0x00FF, 0, 0, static_cast<std::uint16_t>(0x0100 | (ownXf ? 0x80 : 0)), xf});
    return record;
}

// Cells, by row:
//   0: NUMBER 12.5, 40, 0.1+0.2; LABELSST "hello"; LABEL "label"; RSTRING "rich"
//   1: RK integer 1234, x100 integer 1234 (12.34), float 1.5, float x100 (25 -> 0.25), -7
//   2: MULRK columns 0..3 holding 1, 2, 3, 4 (XF 16..19)
//   3: MULBLANK columns 0..4 (XF 16..20)
//   4: BOOLERR TRUE, FALSE, #DIV/0!, #N/A
//   5: FORMULA results 3.5, "abc" (STRING), TRUE, #REF!, empty
//   9: no cells, ROW with XF kRowXf
inline std::vector<Record> syntheticSheet(bool withSharedString = true) {
    std::vector<Record> sheet;
    sheet.push_back(makeRecord(rt::kBof, {0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 0, 0x0006, 0}));
    sheet.push_back(Record{rt::kIndex, std::vector<std::uint8_t>(20, 0)});
    sheet.push_back(makeRecord(rt::kDefColWidth, {8}));
    sheet.push_back(makeRecord(rt::kColInfo, {8, 9, 0x0C00, kColumnXf, 0, 0}));
    sheet.push_back(makeRecord(rt::kDimensions, {0, 0, 10, 0, 0, 6, 0}));
    for (std::uint16_t row : {0, 1, 2, 3, 4, 5}) sheet.push_back(rowRecord(row, 15, false));
    sheet.push_back(rowRecord(9, kRowXf, true));

    sheet.push_back(numberCell(0, 0, 12.5));
    sheet.push_back(numberCell(1, 0, 40));
    sheet.push_back(numberCell(2, 0, 0.1 + 0.2));
    Record label = cell(rt::kLabelSst, 3, 0, 20);
    appendU32(label.data, 0);
    if (withSharedString) sheet.push_back(label);
    Record plain = cell(rt::kLabel, 4, 0, 20);
    const Record labelText = unicodeRecord(0, u"label");
    plain.data.insert(plain.data.end(), labelText.data.begin(), labelText.data.end());
    sheet.push_back(plain);
    Record rich = cell(rt::kRString, 5, 0, 20);
    const Record richText = unicodeRecord(0, u"rich");
    rich.data.insert(rich.data.end(), richText.data.begin(), richText.data.end());
    appendU16(rich.data, 1);  // one run: font 0 from character 0
    appendU32(rich.data, 0);
    sheet.push_back(rich);

    sheet.push_back(rkCell(0, 1, rkInteger(1234, false)));
    sheet.push_back(rkCell(1, 1, rkInteger(1234, true)));
    sheet.push_back(rkCell(2, 1, rkFloat(1.5, false)));
    sheet.push_back(rkCell(3, 1, rkFloat(25.0, true)));
    sheet.push_back(rkCell(4, 1, rkInteger(-7, false)));

    Record mulRk = makeRecord(rt::kMulRk, {2, 0});
    for (std::uint16_t i = 0; i < 4; ++i) {
        appendU16(mulRk.data, static_cast<std::uint16_t>(16 + i));
        appendU32(mulRk.data, rkInteger(i + 1, false));
    }
    appendU16(mulRk.data, 3);
    sheet.push_back(mulRk);
    sheet.push_back(makeRecord(rt::kMulBlank, {3, 0, 16, 17, 18, 19, 20, 4}));

    sheet.push_back(boolErrCell(0, 4, 1, false));
    sheet.push_back(boolErrCell(1, 4, 0, false));
    sheet.push_back(boolErrCell(2, 4, 0x07, true));
    sheet.push_back(boolErrCell(3, 4, 0x2A, true));

    std::vector<std::uint8_t> number;
    appendDouble(number, 3.5);
    sheet.push_back(formulaCell(0, 5, number));
    sheet.push_back(formulaCell(1, 5, nonNumberResult(0, 0)));
    sheet.push_back(unicodeRecord(rt::kString, u"abc"));
    sheet.push_back(formulaCell(2, 5, nonNumberResult(1, 1)));
    sheet.push_back(formulaCell(3, 5, nonNumberResult(2, 0x17)));
    sheet.push_back(formulaCell(4, 5, nonNumberResult(3, 0)));

    sheet.push_back(makeRecord(rt::kWindow2, {0x06B6, 0, 0, 0x40, 0, 0, 0, 0, 0}));
    sheet.push_back(Record{rt::kEof, {}});
    return sheet;
}

// Without an SST (and without the cell that uses it) when `withSst` is false.
inline std::vector<std::uint8_t> syntheticWorkbook(bool withSst = true) {
    const auto base = readBytes(corpusDir() / "generated" / "lo_param_single_zh.xls");
    const CompoundFile file = CompoundFile::parse(base);
    const int entry = file.findRootStream(u"Workbook");
    const WorkbookStream stream = parseWorkbookStream(file.entries().at(entry).data);

    std::vector<Record> globals;
    for (const Record& record : stream.globals.records) {
        if (record.type == rt::kSst || record.type == rt::kExtSst || record.type == rt::kContinue ||
            record.type == rt::kEof) {
            continue;
        }
        globals.push_back(record);
    }
    Record sst{rt::kSst, {}};
    appendU32(sst.data, 1);
    appendU32(sst.data, 1);
    appendU16(sst.data, 5);
    sst.data.push_back(0);
    for (const char c : std::string("hello")) sst.data.push_back(static_cast<std::uint8_t>(c));
    if (withSst) globals.push_back(sst);
    globals.push_back(Record{rt::kEof, {}});

    std::size_t globalsSize = 0;
    for (const Record& record : globals) globalsSize += record.streamSize();
    std::vector<std::uint8_t> bytes;
    for (Record& record : globals) {
        if (record.type == rt::kBoundSheet)
            putU32(record.data.data(), static_cast<std::uint32_t>(globalsSize));
        appendRecord(bytes, record);
    }
    for (const Record& record : syntheticSheet(withSst)) appendRecord(bytes, record);
    return file.serialize(static_cast<std::uint32_t>(entry), bytes);
}

}  // namespace wormpair::xls::testing
