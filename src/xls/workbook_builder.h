#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/first_sheet.h"
#include "xls/shared_string_table.h"

// A workbook made anew rather than read: named sheets of text and number
// cells in three looks, written as an Excel 97-2003 workbook (BIFF8 in a
// compound file). The sheets' cell tables are laid out by FirstSheet, the
// strings by SharedStringTable, as for a workbook that was read.
namespace wormpair::xls {

enum class CellLook : std::uint8_t {
    Plain,
    Caption,  // bold on grey, centred and wrapped: a column caption
    Warning,  // on red, as the window marks a result out of its range
};

struct SheetLayout {
    std::vector<double> columnWidths;  // in characters of the default font, from column A
    int frozenRows = 0;                // rows kept in view while the rest scrolls
};

class WorkbookBuilder {
  public:
    // Adds a sheet after the others and returns its number. Throws XlsError
    // for a name a spreadsheet would refuse: empty, longer than 31
    // characters, with one of : \ / ? * [ ], or another sheet's name.
    int addSheet(std::string_view name, const SheetLayout& layout = {});

    // Cells; a cell set again is replaced. Throws XlsError for a position
    // outside the 256 columns and 65536 rows, a sheet that is not there or a
    // text longer than 32767 characters.
    void setText(int sheet, int column, int row, std::string_view text,
                 CellLook look = CellLook::Plain);
    void setNumber(int sheet, int column, int row, double value, CellLook look = CellLook::Plain);

    std::size_t sheetCount() const { return m_sheets.size(); }

    // The whole file. Throws XlsError for a workbook without sheets.
    std::vector<std::uint8_t> writeToBytes() const;

  private:
    struct Sheet {
        std::u16string name;
        FirstSheet cells;
    };
    Sheet& sheet(int index);

    std::vector<Sheet> m_sheets;
    SharedStringTable m_strings;
};

}  // namespace wormpair::xls
