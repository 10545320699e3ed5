#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design_record.h"

namespace wormpair {

class FileDialogs;
class MessageBoxes;
class ProgressWindow;
class SpreadsheetApplication;
class SpreadsheetApplications;
class TXLSReadWriteII4;

inline constexpr std::string_view kExportFailedMessage =
    "导出文件错误,或者您还没安装EXCEL,请核实后重试.........";
inline constexpr const char* kSheetFilter = ".xls";

enum class Sheet { Worm, Hob, Wheel };

// A parameter sheet's templates in the program directory, one laid out for
// each route's cell table, and the file names the save dialog proposes.
struct SheetFiles {
    const char* templateName;      // the toolbar route's
    const char* menuTemplateName;  // the menu route's
    const char* menuProposal;
    const char* toolbarProposal;
};
const SheetFiles& sheetFiles(Sheet sheet);

// What the sheets are filled from, read at the moment of the export.
using SheetSources = DesignSnapshot;

// A1-style cell name ("C12") to zero-based column and row; nothing for a
// name outside BIFF8's 256 columns and 65,536 rows.
struct CellPosition {
    int column;
    int row;
};
std::optional<CellPosition> cellPosition(std::string_view name);

struct CellText {
    const char* cell;
    std::string text;
};

// The cells each route writes, in the order it writes them. Numbers turn
// into text here; a value that cannot (an overflowing sum) throws.
std::vector<CellText> menuCells(Sheet sheet, const SheetSources& sources);
std::vector<CellText> toolbarCells(Sheet sheet, const SheetSources& sources);

enum class ExportOutcome { Written, Cancelled, Failed };

// What an export shows the user and asks of them.
struct ExportDesktop {
    FileDialogs& files;
    ProgressWindow& progress;
    MessageBoxes& messages;
};

// The toolbar route: the template filled through the workbook component and
// written where the save dialog says. Any failure shows the export message.
ExportOutcome exportByToolbar(Sheet sheet, const SheetSources& sources,
                              const QString& programDirectory, TXLSReadWriteII4& workbook,
                              const ExportDesktop& desktop);

// The menu route: the template filled by a spreadsheet application, started
// anew into the program-wide handle (ending any earlier one first) only once
// the save dialog named a target; a cancelled dialog starts nothing. After a
// failure nothing more is sent to the application, and a progress window
// already shown stays open.
ExportOutcome exportByMenu(Sheet sheet, const SheetSources& sources,
                           const QString& programDirectory, SpreadsheetApplications& applications,
                           std::unique_ptr<SpreadsheetApplication>& handle,
                           const ExportDesktop& desktop);

}  // namespace wormpair
