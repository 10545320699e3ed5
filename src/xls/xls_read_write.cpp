#include "xls/xls_read_write.h"

#include <cstdio>

#include "platform/file_replace.h"
#include "xls/byte_order.h"
#include "xls/text_encoding.h"

namespace wormpair {
namespace {

using xls::Record;
namespace rt = xls::rt;

constexpr std::size_t kMaxStringLength = 0xFFFF;
// Templates and design files are tens of kilobytes. A read and write take at
// most some 32 times the file size, so this also bounds their memory (2 GiB).
constexpr std::size_t kMaxWorkbookFileBytes = std::size_t{64} << 20;
constexpr std::size_t kIndexFirstPointer = 12;  // ibXF, then one pointer per DBCELL

std::size_t streamSize(const std::vector<Record>& records) {
    std::size_t size = 0;
    for (const Record& record : records) size += record.streamSize();
    return size;
}

std::size_t countSharedStringCells(const std::vector<Record>& records) {
    std::size_t count = 0;
    int level = 0;
    for (const Record& record : records) {
        if (record.type == rt::kBof) ++level;
        if (level == 1 && record.type == rt::kLabelSst) ++count;
        if (record.type == rt::kEof) --level;
    }
    return count;
}

[[noreturn]] void layoutMismatch() {
    throw XlsError("内部错误：工作簿数据流布局与预先测算的长度不符");
}

}  // namespace

void TXLSReadWriteII4::clear() {
    m_loaded = false;
    m_file = {};
    m_globals.clear();
    m_sheets.clear();
    m_sheetSizes.clear();
    m_boundSheetTarget.clear();
    m_firstSheet = -1;
    m_firstSheetCells = {};
    m_strings = {};
    m_sstBegin = m_sstEnd = m_extSst = -1;
    m_otherSharedStringCells = 0;
}

void TXLSReadWriteII4::readWorkbook() {
    clear();
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_filename, error)) {
        throw XlsError("找不到工作簿文件：" + m_filename.string());
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(m_filename, kMaxWorkbookFileBytes);
    } catch (const FileReplaceError& e) {
        throw XlsError(std::string("无法读取工作簿文件：") + e.what());
    }
    readFromBytes(bytes);
}

void TXLSReadWriteII4::readFromBytes(std::span<const std::uint8_t> bytes) {
    clear();
    xls::CompoundFile file = xls::CompoundFile::parse(bytes);
    int entry = file.findRootStream(u"Workbook");
    if (entry < 0) entry = file.findRootStream(u"Book");
    if (entry < 0) {
        throw XlsError("复合文档中没有工作簿数据流，不是 Excel 工作簿");
    }
    xls::WorkbookStream stream =
        xls::parseWorkbookStream(file.entries()[static_cast<std::size_t>(entry)].data);
    // The records hold the stream now, and it is rebuilt on write.
    file.entry(static_cast<std::size_t>(entry)).data = {};

    m_globals = std::move(stream.globals.records);
    m_sheets = std::move(stream.sheets);
    for (std::size_t i = 0; i < m_globals.size(); ++i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        if (m_globals[i].type == rt::kSst && m_sstBegin < 0) {
            m_sstBegin = at;
            m_sstEnd = at + 1;
            while (static_cast<std::size_t>(m_sstEnd) < m_globals.size() &&
                   m_globals[static_cast<std::size_t>(m_sstEnd)].type == rt::kContinue) {
                ++m_sstEnd;
            }
        }
        if (m_globals[i].type == rt::kExtSst && m_extSst < 0) m_extSst = at;
        if (m_globals[i].type == rt::kBoundSheet) {
            int target = -1;
            if (m_globals[i].data.size() >= 4) {
                const std::uint32_t position = xls::readU32(m_globals[i].data, 0);
                for (std::size_t s = 0; s < m_sheets.size(); ++s) {
                    if (m_sheets[s].originalOffset == position) target = static_cast<int>(s);
                }
            }
            // A wrong position still names the sheet at the same place.
            if (target < 0 && m_boundSheetTarget.size() < m_sheets.size()) {
                target = static_cast<int>(m_boundSheetTarget.size());
            }
            m_boundSheetTarget.push_back(target);
        }
    }
    if (m_sstBegin >= 0) {
        m_strings.parse(std::span<const Record>(m_globals).subspan(
            static_cast<std::size_t>(m_sstBegin), static_cast<std::size_t>(m_sstEnd - m_sstBegin)));
        // The table is written from m_strings; the records only mark its place.
        for (std::ptrdiff_t i = m_sstBegin; i < m_sstEnd; ++i) {
            m_globals[static_cast<std::size_t>(i)].data = {};
        }
    }
    if (!m_boundSheetTarget.empty()) {
        m_firstSheet = m_boundSheetTarget.front();
    } else if (!m_sheets.empty()) {
        m_firstSheet = 0;
    }
    for (std::size_t s = 0; s < m_sheets.size(); ++s) {
        m_sheetSizes.push_back(streamSize(m_sheets[s].records));
        if (static_cast<int>(s) == m_firstSheet) {
            m_firstSheetCells.load(std::move(m_sheets[s].records));
            m_sheets[s].records = {};  // the cell model owns them now
        } else {
            m_otherSharedStringCells += countSharedStringCells(m_sheets[s].records);
        }
    }
    m_file = std::move(file);
    m_workbookEntry = static_cast<std::uint32_t>(entry);
    m_loaded = true;
}

void TXLSReadWriteII4::setCellText(int column, int row, std::string_view text) {
    if (!m_loaded) throw XlsError("尚未载入工作簿");
    if (m_firstSheet < 0) throw XlsError("工作簿中没有工作表");
    const std::u16string wide = xls::utf8ToUtf16(text);
    if (wide.size() > kMaxStringLength) throw XlsError("单元格文本超过 65535 个字符");
    if (column < 0 || row < 0 || column >= xls::FirstSheet::kMaxColumns ||
        row >= xls::FirstSheet::kMaxRows) {
        throw XlsError("单元格位置超出工作表范围（列 0–255，行 0–65535）");
    }
    if (m_firstSheetCells.isChart()) throw XlsError("第一个工作表是图表，没有单元格");
    m_firstSheetCells.setSharedString(column, row, m_strings.add(wide));
}

std::string TXLSReadWriteII4::getCellText(int column, int row) const {
    if (!m_loaded || m_firstSheet < 0) return {};
    return m_firstSheetCells.cellText(column, row, m_strings);
}

std::vector<std::uint8_t> TXLSReadWriteII4::buildWorkbookStream() const {
    const bool hasSst = m_sstBegin >= 0 || m_strings.size() > 0;
    const auto totalReferences = static_cast<std::uint32_t>(
        m_otherSharedStringCells + m_firstSheetCells.sharedStringCellCount());
    // Measuring pass: the SST's size fixes where every sheet starts.
    const xls::SerializedSst measured =
        hasSst ? m_strings.serialize(totalReferences, false) : xls::SerializedSst{};
    const std::size_t extSstSize = xls::kRecordHeaderSize + 2 + 8 * measured.buckets.size();
    const bool addSst = m_sstBegin < 0 && hasSst;

    std::size_t globalsSize = 0;
    std::size_t measuredSstStart = 0;
    for (std::size_t i = 0; i < m_globals.size(); ++i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        if (at == m_sstBegin) {
            measuredSstStart = globalsSize;
            globalsSize += measured.streamSize;
        }
        if (at >= m_sstBegin && at < m_sstEnd) continue;
        if (at == m_extSst) {
            globalsSize += extSstSize;
            continue;
        }
        if (addSst && i + 1 == m_globals.size()) {
            measuredSstStart = globalsSize;
            globalsSize += measured.streamSize + extSstSize;
        }
        globalsSize += m_globals[i].streamSize();
    }

    std::vector<std::uint32_t> sheetStart(m_sheets.size());
    std::vector<Record> firstSheetRecords;
    std::size_t position = globalsSize;
    for (std::size_t s = 0; s < m_sheets.size(); ++s) {
        sheetStart[s] = static_cast<std::uint32_t>(position);
        if (static_cast<int>(s) == m_firstSheet) {
            firstSheetRecords = m_firstSheetCells.build(sheetStart[s]);
            position += streamSize(firstSheetRecords);
        } else {
            position += m_sheetSizes[s];
        }
    }
    if (position > 0xFFFFFFFFu) throw XlsError("工作簿过大，无法写入");

    std::vector<std::uint8_t> out;
    out.reserve(position);
    std::size_t boundSheet = 0;
    const auto sstStart = static_cast<std::uint32_t>(measuredSstStart);
    // EXTSST holds positions inside the SST, known from the measuring pass.
    const Record extSst = xls::SharedStringTable::extSstRecord(measured, sstStart);
    auto writeSst = [&] {
        if (out.size() != sstStart) layoutMismatch();
        const xls::SerializedSst written = m_strings.serialize(totalReferences, true);
        for (const Record& record : written.records) xls::appendRecord(out, record);
        if (out.size() - sstStart != measured.streamSize ||
            written.buckets.size() != measured.buckets.size()) {
            layoutMismatch();
        }
        for (std::size_t b = 0; b < written.buckets.size(); ++b) {
            if (written.buckets[b].offsetFromSst != measured.buckets[b].offsetFromSst)
                layoutMismatch();
        }
    };
    for (std::size_t i = 0; i < m_globals.size(); ++i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        const Record& record = m_globals[i];
        if (at == m_sstBegin) writeSst();
        if (at >= m_sstBegin && at < m_sstEnd) continue;
        if (at == m_extSst) {
            xls::appendRecord(out, extSst);
            continue;
        }
        if (addSst && i + 1 == m_globals.size()) {
            writeSst();
            xls::appendRecord(out, extSst);
        }
        if (record.type == rt::kBoundSheet && record.data.size() >= 4) {
            Record patched = record;
            const int target =
                boundSheet < m_boundSheetTarget.size() ? m_boundSheetTarget[boundSheet] : -1;
            if (target >= 0)
                xls::putU32(patched.data.data(), sheetStart[static_cast<std::size_t>(target)]);
            ++boundSheet;
            xls::appendRecord(out, patched);
            continue;
        }
        xls::appendRecord(out, record);
    }
    if (out.size() != globalsSize) layoutMismatch();

    for (std::size_t s = 0; s < m_sheets.size(); ++s) {
        if (out.size() != sheetStart[s]) layoutMismatch();
        if (static_cast<int>(s) == m_firstSheet) {
            for (const Record& record : firstSheetRecords) xls::appendRecord(out, record);
            continue;
        }
        // Other sheets move as a whole: only INDEX holds absolute positions.
        const std::uint32_t shift = sheetStart[s] - m_sheets[s].originalOffset;
        int level = 0;
        for (const Record& record : m_sheets[s].records) {
            if (record.type == rt::kBof) ++level;
            if (level == 1 && record.type == rt::kIndex && record.data.size() >= 16) {
                Record patched = record;
                for (std::size_t p = kIndexFirstPointer; p + 4 <= patched.data.size(); p += 4) {
                    const std::uint32_t value = xls::readU32(patched.data, p);
                    if (value != 0) xls::putU32(patched.data.data() + p, value + shift);
                }
                xls::appendRecord(out, patched);
            } else {
                xls::appendRecord(out, record);
            }
            if (record.type == rt::kEof) --level;
        }
    }
    if (out.size() != position) layoutMismatch();
    return out;
}

std::vector<std::uint8_t> TXLSReadWriteII4::writeToBytes() const {
    if (!m_loaded) throw XlsError("尚未载入工作簿");
    const std::vector<std::uint8_t> stream = buildWorkbookStream();
    return m_file.serialize(m_workbookEntry, stream);
}

void TXLSReadWriteII4::writeWorkbook() const {
    if (m_filename.empty()) throw XlsError("没有指定要写入工作簿的文件名");
    const std::vector<std::uint8_t> bytes = writeToBytes();
    try {
        replaceFile(m_filename, bytes);
    } catch (const FileReplaceError& e) {
        throw XlsError(std::string("无法写入工作簿文件：") + e.what());
    }
}

}  // namespace wormpair
