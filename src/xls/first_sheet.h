#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "xls/biff_records.h"
#include "xls/shared_string_table.h"

// The first sheet's records with its cell table opened up for editing: ROW
// records by row, cells by position, everything else kept as read. Writing
// lays the cell table out in row blocks again and recomputes INDEX, DBCELL,
// DIMENSIONS and the ROW column ranges.
namespace wormpair::xls {

struct CellGroup {
    std::uint16_t row = 0;
    std::uint16_t firstColumn = 0;
    std::uint16_t lastColumn = 0;  // differs from firstColumn for MULRK/MULBLANK
    // Position in the file as read. Some writers do not sort a row's cells by
    // column; rows nobody edited are written in their original order.
    std::uint32_t loadOrder = 0xFFFFFFFF;
    // The cell record first, then what travels with it: a formula's STRING,
    // SHRFMLA, ARRAY or TABLE, or any other record found between cells.
    std::vector<Record> records;
};

class FirstSheet {
  public:
    static constexpr std::uint16_t kDefaultCellXf = 15;
    static constexpr int kMaxColumns = 256;
    static constexpr int kMaxRows = 65536;

    void load(std::vector<Record> records);

    bool isChart() const { return m_isChart; }
    std::string cellText(int column, int row, const SharedStringTable& strings) const;
    // A text cell; it keeps the XF of the cell it replaces, or takes the
    // column's, the row's or the default one.
    void setSharedString(int column, int row, std::uint32_t sstIndex);
    // Text and number cells with an XF of their own, for sheets made anew.
    void setSharedString(int column, int row, std::uint32_t sstIndex, std::uint16_t xf);
    void setNumber(int column, int row, double value, std::uint16_t xf);
    std::size_t sharedStringCellCount() const;

    // The sheet's records as they go into the stream at `streamOffset`.
    std::vector<Record> build(std::uint32_t streamOffset) const;

  private:
    using CellMap = std::map<std::uint64_t, CellGroup>;

    static std::uint64_t key(std::uint64_t row, std::uint64_t column) {
        return (row << 16) | column;
    }
    CellMap::iterator findCell(int column, int row);
    CellMap::const_iterator findCell(int column, int row) const;
    std::uint16_t newCellXf(int column, int row) const;
    void moveFormulaCompanions(const CellGroup& replaced, std::vector<Record>& companions);
    // Puts a cell record (without row, column and XF) at a place, replacing
    // what was there; no xf keeps the replaced cell's or the default one.
    void placeCell(int column, int row, std::uint16_t type, std::span<const std::uint8_t> value,
                   std::optional<std::uint16_t> xf);

    std::vector<Record> m_head;     // records before the cell table
    std::vector<Record> m_leading;  // non-cell records at the start of the cell table
    std::vector<Record> m_tail;     // records after the cell table
    std::map<std::uint16_t, Record> m_rows;
    CellMap m_cells;
    std::set<std::uint16_t> m_editedRows;
    bool m_isChart = false;
};

}  // namespace wormpair::xls
