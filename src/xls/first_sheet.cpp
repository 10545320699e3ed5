#include "xls/first_sheet.h"

#include <algorithm>
#include <cstring>

#include "calc/numeric.h"
#include "xls/byte_order.h"
#include "xls/text_encoding.h"
#include "xls/xls_error.h"

namespace wormpair::xls {
namespace {

constexpr std::size_t kRowsPerBlock = 32;

// ROW record fields.
constexpr std::size_t kRowColumnFirst = 2;
constexpr std::size_t kRowColumnLast = 4;  // one past the last
constexpr std::size_t kRowFlags = 12;
constexpr std::size_t kRowXf = 14;
constexpr std::size_t kRowSize = 16;
constexpr std::uint16_t kRowFlagGhostDirty = 0x0080;
constexpr std::uint16_t kRowDefaultHeight = 0x00FF;
constexpr std::uint16_t kRowDefaultFlags = 0x0100;

// Fields shared by every cell record.
constexpr std::size_t kCellRow = 0;
constexpr std::size_t kCellColumn = 2;
constexpr std::size_t kCellXf = 4;
constexpr std::size_t kCellValue = 6;

// Formula cached result.
constexpr std::size_t kFormulaTokens = 22;
constexpr std::uint8_t kResultString = 0;
constexpr std::uint8_t kResultBoolean = 1;
constexpr std::uint8_t kResultError = 2;
constexpr std::uint8_t kPtgExp = 0x01;
constexpr std::uint8_t kPtgTbl = 0x02;

bool isCellRecord(std::uint16_t type) {
    switch (type) {
        case rt::kLabelSst:
        case rt::kLabel:
        case rt::kRString:
        case rt::kNumber:
        case rt::kRk:
        case rt::kMulRk:
        case rt::kBlank:
        case rt::kMulBlank:
        case rt::kFormula:
        case rt::kBoolErr:
            return true;
        default:
            return false;
    }
}

bool isFormulaCompanion(std::uint16_t type) {
    return type == rt::kShrFmla || type == rt::kArray || type == rt::kTable;
}

bool endsCellTable(std::uint16_t type) {
    return isCellRecord(type) || type == rt::kRow || type == rt::kDbCell || type == rt::kString ||
           isFormulaCompanion(type);
}

std::string rkText(std::uint32_t rk) {
    const bool times100 = (rk & 0x01) != 0;
    if (rk & 0x02) {
        const std::int32_t integer = static_cast<std::int32_t>(rk) >> 2;
        if (!times100) return formatInteger(integer);
        return formatReal(static_cast<double>(integer) / 100.0);
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return formatReal(times100 ? value / 100.0 : value);
}

std::string errorText(std::uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        case 0x2A:
            return "#N/A";
        case 0x2B:
            return "#GETTING_DATA";
        default:
            return "#ERROR";
    }
}

// A formula's STRING result, which may carry on in CONTINUE records.
std::string formulaString(const std::vector<Record>& records) {
    auto string = std::find_if(records.begin(), records.end(),
                               [](const Record& r) { return r.type == rt::kString; });
    if (string == records.end() || string->data.size() < 3) return {};
    const std::uint16_t count = readU16(string->data, 0);
    std::u16string text = readUnicodeString(string->data, 0);
    for (auto next = string + 1;
         text.size() < count && next != records.end() && next->type == rt::kContinue; ++next) {
        if (next->data.empty()) break;
        const bool highByte = (next->data[0] & 0x01) != 0;
        const std::size_t unit = highByte ? 2 : 1;
        for (std::size_t pos = 1; pos + unit <= next->data.size() && text.size() < count;
             pos += unit) {
            text.push_back(highByte
                               ? static_cast<char16_t>(next->data[pos] | (next->data[pos + 1] << 8))
                               : static_cast<char16_t>(next->data[pos]));
        }
    }
    return utf16ToUtf8(text);
}

Record cellRecord(std::uint16_t type, std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
    Record record{type, {}};
    appendU16(record.data, row);
    appendU16(record.data, column);
    appendU16(record.data, xf);
    return record;
}

Record defaultRow(std::uint16_t row) {
    Record record{rt::kRow, std::vector<std::uint8_t>(kRowSize, 0)};
    putU16(record.data.data(), row);
    putU16(record.data.data() + 6, kRowDefaultHeight);
    putU16(record.data.data() + kRowFlags, kRowDefaultFlags);
    putU16(record.data.data() + kRowXf, FirstSheet::kDefaultCellXf);
    return record;
}

// The part [first, last] of a MULRK or MULBLANK as the smallest record(s).
CellGroup slicePart(const CellGroup& group, std::uint16_t first, std::uint16_t last) {
    const Record& source = group.records.front();
    const bool rk = source.type == rt::kMulRk;
    const std::size_t stride = rk ? 6 : 2;
    CellGroup part;
    part.row = group.row;
    part.firstColumn = first;
    part.lastColumn = last;
    Record record;
    if (first == last) {
        record.type = rk ? rt::kRk : rt::kBlank;
        appendU16(record.data, group.row);
        appendU16(record.data, first);
    } else {
        record.type = source.type;
        appendU16(record.data, group.row);
        appendU16(record.data, first);
    }
    const std::size_t from = 4 + (first - group.firstColumn) * stride;
    const std::size_t to = 4 + (last - group.firstColumn + 1) * stride;
    record.data.insert(record.data.end(), source.data.begin() + static_cast<std::ptrdiff_t>(from),
                       source.data.begin() + static_cast<std::ptrdiff_t>(to));
    if (first != last) appendU16(record.data, last);
    part.records.push_back(std::move(record));
    return part;
}

std::uint16_t cellXf(const CellGroup& group, int column) {
    const Record& record = group.records.front();
    const std::size_t index = static_cast<std::size_t>(column - group.firstColumn);
    if (record.type == rt::kMulRk) return readU16(record.data, 4 + 6 * index);
    if (record.type == rt::kMulBlank) return readU16(record.data, 4 + 2 * index);
    return readU16(record.data, kCellXf);
}

// Checks a cell record's size and gives its row and column span.
CellGroup openCell(Record record) {
    const auto& data = record.data;
    static constexpr std::pair<std::uint16_t, std::size_t> kMinimumSize[] = {
        {rt::kLabelSst, 10}, {rt::kLabel, 9},   {rt::kRString, 9}, {rt::kNumber, 14},
        {rt::kRk, 10},       {rt::kBlank, 6},   {rt::kBoolErr, 8}, {rt::kFormula, 20},
        {rt::kMulRk, 6},     {rt::kMulBlank, 6}};
    for (const auto& [type, size] : kMinimumSize) {
        if (record.type == type && data.size() < size) {
            throw XlsError("工作簿已损坏：某条单元格记录过短");
        }
    }
    CellGroup group;
    group.row = readU16(data, kCellRow);
    group.firstColumn = readU16(data, kCellColumn);
    group.lastColumn = group.firstColumn;
    if (record.type == rt::kMulRk || record.type == rt::kMulBlank) {
        const std::size_t stride = record.type == rt::kMulRk ? 6 : 2;
        group.lastColumn = readU16(data, data.size() - 2);
        if (group.lastColumn < group.firstColumn ||
            data.size() != 6 + stride * (group.lastColumn - group.firstColumn + 1u)) {
            throw XlsError("工作簿已损坏：某条 MULRK 或 MULBLANK 记录格式错误");
        }
    }
    // Refused rather than dropped: the sheet is written back from these
    // cells, so a dropped one would be lost without a word, and DIMENSIONS
    // and ROW could not hold its column.
    if (group.lastColumn >= FirstSheet::kMaxColumns) {
        throw XlsError("工作簿已损坏：某个单元格位于工作表的 256 列之外");
    }
    group.records.push_back(std::move(record));
    return group;
}

}  // namespace

void FirstSheet::load(std::vector<Record> records) {
    m_head.clear();
    m_leading.clear();
    m_tail.clear();
    m_rows.clear();
    m_cells.clear();
    m_editedRows.clear();
    m_isChart = !records.empty() && records.front().data.size() >= 4 &&
                readU16(records.front().data, 2) == kBofChart;

    // Depth 1 is the sheet itself; deeper records belong to embedded charts.
    std::vector<int> depth(records.size());
    int level = 0;
    std::uint64_t lastCell = 0;
    bool afterString = false;
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -1;
    std::ptrdiff_t dimensions = -1;
    std::ptrdiff_t window = -1;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].type == rt::kBof) ++level;
        depth[i] = level;
        if (records[i].type == rt::kEof) --level;
        if (depth[i] != 1) continue;
        const auto type = records[i].type;
        const auto at = static_cast<std::ptrdiff_t>(i);
        if (first < 0 && (isCellRecord(type) || type == rt::kRow)) first = at;
        if (first >= 0 && endsCellTable(type)) last = at;
        // A long formula string carries on in CONTINUE records.
        if (first >= 0 && type == rt::kContinue && afterString) last = at;
        afterString = type == rt::kString || (afterString && type == rt::kContinue);
        if (dimensions < 0 && type == rt::kDimensions) dimensions = at;
        if (window < 0 && type == rt::kWindow2) window = at;
    }
    if (first < 0) {
        // No cell table yet: new cells go after DIMENSIONS.
        std::ptrdiff_t insertAt = static_cast<std::ptrdiff_t>(records.size()) - 1;
        if (dimensions >= 0) {
            insertAt = dimensions + 1;
        } else if (window >= 0) {
            insertAt = window;
        }
        insertAt = std::max<std::ptrdiff_t>(insertAt, 1);
        first = insertAt;
        last = insertAt - 1;
    }

    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        Record& record = records[i];
        if (at < first) {
            m_head.push_back(std::move(record));
        } else if (at > last) {
            m_tail.push_back(std::move(record));
        } else if (depth[i] == 1 && record.type == rt::kRow) {
            if (record.data.size() < kRowSize) {
                throw XlsError("工作簿已损坏：某条 ROW 记录过短");
            }
            const std::uint16_t row = readU16(record.data, 0);
            m_rows.emplace(row, std::move(record));
        } else if (depth[i] == 1 && record.type == rt::kDbCell) {
            // Rebuilt on write.
        } else if (depth[i] == 1 && isCellRecord(record.type)) {
            CellGroup group = openCell(std::move(record));
            group.loadOrder = static_cast<std::uint32_t>(i);
            const auto [it, inserted] = m_cells.emplace(key(group.row, group.firstColumn), group);
            if (!inserted) {
                // A second record for the same cell stays where it was.
                for (auto& r : group.records) it->second.records.push_back(std::move(r));
            }
            lastCell = it->first;
        } else if (m_cells.empty()) {
            m_leading.push_back(std::move(record));
        } else {
            m_cells.find(lastCell)->second.records.push_back(std::move(record));
        }
    }
}

FirstSheet::CellMap::iterator FirstSheet::findCell(int column, int row) {
    auto it = m_cells.upper_bound(
        key(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)));
    if (it == m_cells.begin()) return m_cells.end();
    --it;
    const CellGroup& group = it->second;
    if (group.row == row && column >= group.firstColumn && column <= group.lastColumn) return it;
    return m_cells.end();
}

FirstSheet::CellMap::const_iterator FirstSheet::findCell(int column, int row) const {
    return const_cast<FirstSheet*>(this)->findCell(column, row);
}

std::string FirstSheet::cellText(int column, int row, const SharedStringTable& strings) const {
    if (column < 0 || row < 0 || column >= kMaxColumns || row >= kMaxRows) return {};
    const auto found = findCell(column, row);
    if (found == m_cells.end()) return {};
    const CellGroup& group = found->second;
    const Record& record = group.records.front();
    const auto& data = record.data;
    switch (record.type) {
        case rt::kLabelSst: {
            const std::uint32_t index = readU32(data, kCellValue);
            return index < strings.size() ? utf16ToUtf8(strings.at(index).text) : std::string();
        }
        case rt::kLabel:
        case rt::kRString:
            return utf16ToUtf8(readUnicodeString(data, kCellValue));
        case rt::kNumber:
            return formatReal(readDouble(data, kCellValue));
        case rt::kRk:
            return rkText(readU32(data, kCellValue));
        case rt::kMulRk:
            return rkText(
                readU32(data, 6 + 6 * static_cast<std::size_t>(column - group.firstColumn)));
        case rt::kBoolErr:
            if (data[7] != 0) return errorText(data[6]);
            return data[6] != 0 ? "TRUE" : "FALSE";
        case rt::kFormula: {
            if (readU16(data, 12) != 0xFFFF) return formatReal(readDouble(data, kCellValue));
            switch (data[6]) {
                case kResultString:
                    return formulaString(group.records);
                case kResultBoolean:
                    return data[8] != 0 ? "TRUE" : "FALSE";
                case kResultError:
                    return errorText(data[8]);
                default:
                    return {};
            }
        }
        default:
            return {};
    }
}

std::uint16_t FirstSheet::newCellXf(int column, int row) const {
    for (const Record& record : m_head) {
        if (record.type != rt::kColInfo || record.data.size() < 8) continue;
        if (column >= readU16(record.data, 0) && column <= readU16(record.data, 2)) {
            return readU16(record.data, 6);
        }
    }
    if (const auto found = m_rows.find(static_cast<std::uint16_t>(row)); found != m_rows.end()) {
        const auto& data = found->second.data;
        if (readU16(data, kRowFlags) & kRowFlagGhostDirty) return readU16(data, kRowXf) & 0x0FFF;
    }
    return kDefaultCellXf;
}

void FirstSheet::moveFormulaCompanions(const CellGroup& replaced, std::vector<Record>& companions) {
    // SHRFMLA, ARRAY and TABLE name their range; they must follow a formula of
    // that range, so they move to the next formula that refers to them.
    for (Record& companion : companions) {
        if (companion.data.size() < 6) continue;
        const std::uint16_t rowFirst = readU16(companion.data, 0);
        const std::uint16_t rowLast = readU16(companion.data, 2);
        const std::uint8_t columnFirst = companion.data[4];
        const std::uint8_t columnLast = companion.data[5];
        auto it = m_cells.upper_bound(key(replaced.row, replaced.firstColumn));
        for (; it != m_cells.end() && it->second.row <= rowLast; ++it) {
            const CellGroup& group = it->second;
            const Record& cell = group.records.front();
            if (cell.type != rt::kFormula || cell.data.size() <= kFormulaTokens) continue;
            const std::uint8_t token = cell.data[kFormulaTokens];
            if ((token == kPtgExp || token == kPtgTbl) && group.row >= rowFirst &&
                group.firstColumn >= columnFirst && group.firstColumn <= columnLast) {
                auto& target = it->second.records;
                // After the formula and any STRING it has.
                auto at = target.begin() + 1;
                while (at != target.end() &&
                       (at->type == rt::kString || at->type == rt::kContinue)) {
                    ++at;
                }
                target.insert(at, std::move(companion));
                break;
            }
        }
    }
}

void FirstSheet::setSharedString(int column, int row, std::uint32_t sstIndex) {
    std::uint8_t index[4];
    putU32(index, sstIndex);
    placeCell(column, row, rt::kLabelSst, index, std::nullopt);
}

void FirstSheet::setSharedString(int column, int row, std::uint32_t sstIndex, std::uint16_t xf) {
    std::uint8_t index[4];
    putU32(index, sstIndex);
    placeCell(column, row, rt::kLabelSst, index, xf);
}

void FirstSheet::setNumber(int column, int row, double value, std::uint16_t xf) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::uint8_t number[8];
    putU64(number, bits);
    placeCell(column, row, rt::kNumber, number, xf);
}

void FirstSheet::placeCell(int column, int row, std::uint16_t type,
                           std::span<const std::uint8_t> value, std::optional<std::uint16_t> xf) {
    if (column < 0 || row < 0 || column >= kMaxColumns || row >= kMaxRows) {
        throw XlsError("单元格位置超出工作表范围（列 0–255，行 0–65535）");
    }
    if (m_isChart) throw XlsError("第一个工作表是图表，没有单元格");
    const auto r = static_cast<std::uint16_t>(row);
    const auto c = static_cast<std::uint16_t>(column);
    std::vector<Record> kept;
    auto found = findCell(column, row);
    if (found != m_cells.end()) {
        CellGroup old = std::move(found->second);
        m_cells.erase(found);
        if (!xf) xf = cellXf(old, column);
        const bool multiple = old.firstColumn != old.lastColumn;
        std::vector<Record> companions;
        const bool formula = old.records.front().type == rt::kFormula;
        bool inStringResult = false;
        for (std::size_t i = 1; i < old.records.size(); ++i) {
            Record& extra = old.records[i];
            // The old formula's result text goes with it.
            inStringResult = formula && (extra.type == rt::kString ||
                                         (inStringResult && extra.type == rt::kContinue));
            if (inStringResult) continue;
            if (formula && isFormulaCompanion(extra.type)) {
                companions.push_back(std::move(extra));
            } else {
                kept.push_back(std::move(extra));
            }
        }
        if (multiple) {
            if (column > old.firstColumn) {
                CellGroup left = slicePart(old, old.firstColumn, static_cast<std::uint16_t>(c - 1));
                m_cells.emplace(key(r, left.firstColumn), std::move(left));
            }
            if (column < old.lastColumn) {
                CellGroup right = slicePart(old, static_cast<std::uint16_t>(c + 1), old.lastColumn);
                // Records that followed the run stay after its last part.
                for (auto& extra : kept) right.records.push_back(std::move(extra));
                kept.clear();
                m_cells.emplace(key(r, right.firstColumn), std::move(right));
            }
        }
        if (!companions.empty()) moveFormulaCompanions(old, companions);
    } else if (!xf) {
        xf = newCellXf(column, row);
    }
    CellGroup cell;
    cell.row = r;
    cell.firstColumn = c;
    cell.lastColumn = c;
    Record record = cellRecord(type, r, c, *xf);
    record.data.insert(record.data.end(), value.begin(), value.end());
    cell.records.push_back(std::move(record));
    for (auto& extra : kept) cell.records.push_back(std::move(extra));
    m_cells.emplace(key(r, c), std::move(cell));
    if (!m_rows.contains(r)) m_rows.emplace(r, defaultRow(r));
    m_editedRows.insert(r);
}

std::size_t FirstSheet::sharedStringCellCount() const {
    std::size_t count = 0;
    for (const auto& [k, group] : m_cells) {
        for (const Record& record : group.records) count += record.type == rt::kLabelSst;
    }
    return count;
}

std::vector<Record> FirstSheet::build(std::uint32_t streamOffset) const {
    // Rows of the cell table: those with ROW records and those with cells.
    std::vector<std::uint16_t> rows;
    rows.reserve(m_rows.size());
    for (const auto& [row, record] : m_rows) rows.push_back(row);
    for (const auto& [k, group] : m_cells) rows.push_back(group.row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const std::size_t blockCount = (rows.size() + kRowsPerBlock - 1) / kRowsPerBlock;

    std::vector<Record> out;
    out.reserve(m_head.size() + m_tail.size() + m_cells.size() * 2 + rows.size() + blockCount);
    std::ptrdiff_t indexAt = -1;
    std::ptrdiff_t defColWidthAt = -1;
    int level = 0;
    for (const Record& record : m_head) {
        if (record.type == rt::kBof) ++level;
        if (level == 1 && record.type == rt::kIndex && indexAt < 0) {
            indexAt = static_cast<std::ptrdiff_t>(out.size());
            Record index{rt::kIndex, std::vector<std::uint8_t>(16 + 4 * blockCount, 0)};
            out.push_back(std::move(index));
        } else if (level == 1 && record.type == rt::kDimensions) {
            Record dimensions{rt::kDimensions, std::vector<std::uint8_t>(14, 0)};
            if (!m_cells.empty()) {
                std::uint16_t rowFirst = 0xFFFF, rowLast = 0, columnFirst = 0xFFFF, columnLast = 0;
                for (const auto& [k, group] : m_cells) {
                    rowFirst = std::min(rowFirst, group.row);
                    rowLast = std::max(rowLast, group.row);
                    columnFirst = std::min(columnFirst, group.firstColumn);
                    columnLast = std::max(columnLast, group.lastColumn);
                }
                putU32(dimensions.data.data(), rowFirst);
                putU32(dimensions.data.data() + 4, rowLast + 1u);
                putU16(dimensions.data.data() + 8, columnFirst);
                putU16(dimensions.data.data() + 10, static_cast<std::uint16_t>(columnLast + 1));
            }
            out.push_back(std::move(dimensions));
        } else {
            if (level == 1 && record.type == rt::kDefColWidth && defColWidthAt < 0) {
                defColWidthAt = static_cast<std::ptrdiff_t>(out.size());
            }
            out.push_back(record);
        }
        if (record.type == rt::kEof) --level;
    }
    out.insert(out.end(), m_leading.begin(), m_leading.end());

    // Row blocks: ROW records, then the cells row by row, then DBCELL.
    struct BlockLayout {
        std::size_t firstRow;                      // index into out
        std::size_t dbCell;                        // index into out
        std::vector<std::ptrdiff_t> rowFirstCell;  // index into out, or -1
    };
    std::vector<BlockLayout> blocks;
    for (std::size_t b = 0; b < blockCount; ++b) {
        const std::size_t begin = b * kRowsPerBlock;
        const std::size_t end = std::min(rows.size(), begin + kRowsPerBlock);
        BlockLayout layout{out.size(), 0, {}};
        std::vector<std::vector<const CellGroup*>> rowCells(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t row = rows[i];
            auto& cells = rowCells[i - begin];
            const auto to = m_cells.lower_bound(key(row + 1u, 0));
            for (auto it = m_cells.lower_bound(key(row, 0)); it != to; ++it) {
                cells.push_back(&it->second);
            }
            if (!m_editedRows.contains(row)) {
                std::stable_sort(cells.begin(), cells.end(), [](const auto* a, const auto* b) {
                    return a->loadOrder < b->loadOrder;
                });
            }
        }
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t row = rows[i];
            const auto existing = m_rows.find(row);
            Record record = existing != m_rows.end() ? existing->second : defaultRow(row);
            const auto& cells = rowCells[i - begin];
            if (!cells.empty()) {
                std::uint16_t columnFirst = 0xFFFF;
                std::uint16_t columnLast = 0;
                for (const CellGroup* group : cells) {
                    columnFirst = std::min(columnFirst, group->firstColumn);
                    columnLast = std::max(columnLast, group->lastColumn);
                }
                putU16(record.data.data() + kRowColumnFirst, columnFirst);
                putU16(record.data.data() + kRowColumnLast,
                       static_cast<std::uint16_t>(columnLast + 1));
            }
            out.push_back(std::move(record));
        }
        for (std::size_t i = begin; i < end; ++i) {
            const auto& cells = rowCells[i - begin];
            layout.rowFirstCell.push_back(cells.empty() ? -1
                                                        : static_cast<std::ptrdiff_t>(out.size()));
            for (const CellGroup* group : cells) {
                out.insert(out.end(), group->records.begin(), group->records.end());
            }
        }
        layout.dbCell = out.size();
        out.push_back(Record{rt::kDbCell, std::vector<std::uint8_t>(4 + 2 * (end - begin), 0)});
        blocks.push_back(std::move(layout));
    }
    out.insert(out.end(), m_tail.begin(), m_tail.end());

    // Stream positions, then the records that hold them.
    std::vector<std::uint32_t> position(out.size() + 1);
    position[0] = streamOffset;
    for (std::size_t i = 0; i < out.size(); ++i) {
        position[i + 1] = position[i] + static_cast<std::uint32_t>(out[i].streamSize());
    }
    for (const BlockLayout& layout : blocks) {
        auto& data = out[layout.dbCell].data;
        putU32(data.data(), position[layout.dbCell] - position[layout.firstRow]);
        // The first row's cells are counted from the end of the first ROW.
        std::uint32_t previous = position[layout.firstRow + 1];
        std::size_t nextCellRecord = layout.firstRow + layout.rowFirstCell.size();
        for (std::size_t r = 0; r < layout.rowFirstCell.size(); ++r) {
            std::uint32_t here;
            if (layout.rowFirstCell[r] >= 0) {
                here = position[static_cast<std::size_t>(layout.rowFirstCell[r])];
                nextCellRecord = static_cast<std::size_t>(layout.rowFirstCell[r]);
            } else {
                here = std::max(previous, position[nextCellRecord]);
            }
            // DBCELL holds these distances in 16 bits.
            if (here - previous > 0xFFFF) {
                throw XlsError("第一个工作表有一行的单元格超过 65535 字节，超出该格式能寻址的范围");
            }
            putU16(data.data() + 4 + 2 * r, static_cast<std::uint16_t>(here - previous));
            previous = here;
        }
    }
    if (indexAt >= 0) {
        auto& data = out[static_cast<std::size_t>(indexAt)].data;
        if (!rows.empty()) {
            putU32(data.data() + 4, rows.front());
            putU32(data.data() + 8, rows.back() + 1u);
        }
        putU32(data.data() + 12,
               defColWidthAt >= 0 ? position[static_cast<std::size_t>(defColWidthAt)] : 0);
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            putU32(data.data() + 16 + 4 * b, position[blocks[b].dbCell]);
        }
    }
    return out;
}

}  // namespace wormpair::xls
