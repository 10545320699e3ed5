#include "xls/biff_records.h"

#include <algorithm>

#include "xls/byte_order.h"
#include "xls/xls_error.h"

namespace wormpair::xls {
namespace {

class RecordCursor {
  public:
    explicit RecordCursor(std::span<const std::uint8_t> stream) : m_stream(stream) {}

    bool atEnd() const { return m_pos >= m_stream.size(); }
    std::size_t position() const { return m_pos; }

    // True when nothing but zero padding is left.
    bool onlyPaddingLeft() const {
        return std::all_of(m_stream.begin() + static_cast<std::ptrdiff_t>(m_pos), m_stream.end(),
                           [](std::uint8_t b) { return b == 0; });
    }

    // Records from here to the EOF that ends this substream (nested BOF..EOF
    // runs counted in when `nested`), or to the end of the data: counted
    // first so that the record list is allocated once at its size.
    std::size_t countToEof(bool nested) const {
        std::size_t count = 0;
        int depth = 0;
        for (std::size_t pos = m_pos; m_stream.size() - pos >= kRecordHeaderSize;) {
            const std::uint16_t type = readU16(m_stream, pos);
            pos += kRecordHeaderSize + readU16(m_stream, pos + 2);
            ++count;
            if (nested && type == rt::kBof) ++depth;
            if (type == rt::kEof && (!nested || --depth <= 0)) break;
            if (pos > m_stream.size()) break;
        }
        return count;
    }

    std::uint16_t peekType() const {
        if (m_stream.size() - m_pos < kRecordHeaderSize) return 0;
        return readU16(m_stream, m_pos);
    }

    Record next() {
        if (m_stream.size() - m_pos < kRecordHeaderSize) {
            throw XlsError("工作簿数据流在记录头中途截断");
        }
        Record record;
        record.type = readU16(m_stream, m_pos);
        const std::uint16_t length = readU16(m_stream, m_pos + 2);
        const std::size_t start = m_pos + kRecordHeaderSize;
        if (length > m_stream.size() - start) {
            throw XlsError("工作簿数据流已损坏：某条记录的长度超出数据流末尾");
        }
        record.data.assign(m_stream.begin() + static_cast<std::ptrdiff_t>(start),
                           m_stream.begin() + static_cast<std::ptrdiff_t>(start + length));
        m_pos = start + length;
        return record;
    }

  private:
    std::span<const std::uint8_t> m_stream;
    std::size_t m_pos = 0;
};

[[noreturn]] void notBiff8() { throw XlsError("不是 Excel 97-2003 格式（BIFF8）的工作簿"); }

}  // namespace

WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> stream) {
    RecordCursor cursor(stream);
    const std::uint16_t firstType = cursor.peekType();
    if (firstType == rt::kBofBiff2 || firstType == rt::kBofBiff3 || firstType == rt::kBofBiff4) {
        notBiff8();
    }
    if (firstType != rt::kBof) throw XlsError("工作簿数据流不以 BOF 记录开头");

    WorkbookStream result;
    Record bof = cursor.next();
    if (bof.data.size() < 4 || readU16(bof.data, 0) != kBiff8Version) notBiff8();
    if (readU16(bof.data, 2) != kBofWorkbookGlobals) {
        throw XlsError("工作簿数据流不以工作簿全局数据开头");
    }
    result.globals.records.reserve(1 + cursor.countToEof(false));
    result.globals.records.push_back(std::move(bof));
    for (;;) {
        if (cursor.atEnd()) throw XlsError("工作簿数据流在工作簿全局数据中途结束");
        Record record = cursor.next();
        if (record.type == rt::kFilePass) {
            throw XlsError("工作簿已加密，无法打开设有密码的文件");
        }
        const bool end = record.type == rt::kEof;
        result.globals.records.push_back(std::move(record));
        if (end) break;
    }

    // Sheet substreams until the data runs out; padding after the last EOF
    // (and anything else that is not a BOF) is not part of the workbook.
    while (!cursor.atEnd() && !cursor.onlyPaddingLeft() && cursor.peekType() == rt::kBof) {
        Substream sheet;
        sheet.originalOffset = static_cast<std::uint32_t>(cursor.position());
        sheet.records.reserve(cursor.countToEof(true));
        int depth = 0;
        do {
            if (cursor.atEnd()) throw XlsError("工作簿数据流在工作表中途结束");
            Record record = cursor.next();
            if (record.type == rt::kBof) ++depth;
            if (record.type == rt::kEof) --depth;
            sheet.records.push_back(std::move(record));
        } while (depth > 0);
        result.sheets.push_back(std::move(sheet));
    }
    return result;
}

void appendRecord(std::vector<std::uint8_t>& out, const Record& record) {
    appendU16(out, record.type);
    appendU16(out, static_cast<std::uint16_t>(record.data.size()));
    out.insert(out.end(), record.data.begin(), record.data.end());
}

std::u16string readUnicodeString(std::span<const std::uint8_t> data, std::size_t offset) {
    std::u16string text;
    if (offset + 3 > data.size()) return text;
    const std::uint16_t count = readU16(data, offset);
    const bool highByte = (data[offset + 2] & 0x01) != 0;
    std::size_t pos = offset + 3;
    const std::size_t unit = highByte ? 2 : 1;
    const std::size_t available = (data.size() - pos) / unit;
    const std::size_t take = std::min<std::size_t>(count, available);
    text.reserve(take);
    for (std::size_t i = 0; i < take; ++i, pos += unit) {
        text.push_back(highByte ? static_cast<char16_t>(data[pos] | (data[pos + 1] << 8))
                                : static_cast<char16_t>(data[pos]));
    }
    return text;
}

}  // namespace wormpair::xls
