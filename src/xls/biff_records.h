#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// BIFF8 record level: the record types this component looks at, and the
// workbook stream split into its globals and sheet substreams.
namespace wormpair::xls {

namespace rt {
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kDefColWidth = 0x0055;
constexpr std::uint16_t kColInfo = 0x007D;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kIndex = 0x020B;
constexpr std::uint16_t kArray = 0x0221;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kTable = 0x0236;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kShrFmla = 0x04BC;
constexpr std::uint16_t kBof = 0x0809;
// BOF records of BIFF2, BIFF3 and BIFF4.
constexpr std::uint16_t kBofBiff2 = 0x0009;
constexpr std::uint16_t kBofBiff3 = 0x0209;
constexpr std::uint16_t kBofBiff4 = 0x0409;
}  // namespace rt

constexpr std::uint16_t kBiff8Version = 0x0600;
constexpr std::uint16_t kBofWorkbookGlobals = 0x0005;
constexpr std::uint16_t kBofWorksheet = 0x0010;
constexpr std::uint16_t kBofChart = 0x0020;
constexpr std::size_t kRecordHeaderSize = 4;
constexpr std::size_t kMaxRecordData = 8224;

struct Record {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> data;

    std::size_t streamSize() const { return kRecordHeaderSize + data.size(); }
};

// One BOF..EOF run at the top level; nested chart substreams stay inside it.
struct Substream {
    std::uint32_t originalOffset = 0;
    std::vector<Record> records;
};

struct WorkbookStream {
    Substream globals;
    std::vector<Substream> sheets;
};

// Throws XlsError for a stream that is not an unencrypted BIFF8 workbook.
WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> stream);

void appendRecord(std::vector<std::uint8_t>& out, const Record& record);

// An XLUnicodeString (16-bit count, option byte, characters) at `offset`;
// a count that runs past the data is cut to what is there.
std::u16string readUnicodeString(std::span<const std::uint8_t> data, std::size_t offset);

}  // namespace wormpair::xls
