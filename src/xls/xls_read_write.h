#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff_records.h"
#include "xls/compound_file.h"
#include "xls/first_sheet.h"
#include "xls/shared_string_table.h"
#include "xls/xls_error.h"

namespace wormpair {

enum class XlsVersion { None, Biff8 };

// Reads an Excel 97-2003 workbook (BIFF8 in an OLE2 compound file) whole,
// edits cell texts on its first sheet and writes it back, keeping every
// stream, storage and record it did not have to change.
//
// Texts are UTF-8. A text set on a cell is always stored as a shared-string
// cell, the empty text included (it reads back as the empty text).
class TXLSReadWriteII4 {
  public:
    void setFilename(std::filesystem::path path) { m_filename = std::move(path); }
    const std::filesystem::path& filename() const { return m_filename; }

    // Replaces the workbook held; throws XlsError when the input is not a
    // readable BIFF8 workbook (nothing is held then).
    void readWorkbook();
    void readFromBytes(std::span<const std::uint8_t> bytes);

    // Writes to a temporary file beside the target and renames it over the
    // target, so a failure never leaves a half-written file.
    void writeWorkbook() const;
    std::vector<std::uint8_t> writeToBytes() const;

    XlsVersion version() const { return m_loaded ? XlsVersion::Biff8 : XlsVersion::None; }
    std::size_t sheetCount() const { return m_sheets.size(); }

    void setCellText(int column, int row, std::string_view text);
    std::string getCellText(int column, int row) const;

  private:
    void clear();
    std::vector<std::uint8_t> buildWorkbookStream() const;

    std::filesystem::path m_filename;
    bool m_loaded = false;
    xls::CompoundFile m_file;
    std::uint32_t m_workbookEntry = 0;
    std::vector<xls::Record> m_globals;
    std::vector<xls::Substream> m_sheets;   // in stream order
    std::vector<std::size_t> m_sheetSizes;  // original stream sizes
    std::vector<int> m_boundSheetTarget;    // BOUNDSHEET order -> m_sheets index or -1
    int m_firstSheet = -1;                  // m_sheets index of the first sheet
    xls::FirstSheet m_firstSheetCells;
    xls::SharedStringTable m_strings;
    std::ptrdiff_t m_sstBegin = -1;  // SST record in m_globals
    std::ptrdiff_t m_sstEnd = -1;    // one past its last CONTINUE
    std::ptrdiff_t m_extSst = -1;
    std::size_t m_otherSharedStringCells = 0;
};

}  // namespace wormpair
