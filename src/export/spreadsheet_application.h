#pragma once

#include <QString>

#include <memory>
#include <stdexcept>
#include <string>

// A spreadsheet application driven by automation, as the menu route of the
// parameter sheets uses it. The steps are called in this order by an export;
// every step either does what it says or throws SpreadsheetError, and after a
// throw the caller sends nothing more to that application.

namespace wormpair {

class SpreadsheetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SpreadsheetApplication {
  public:
    // Destroying a running application that was never told to quit ends it:
    // no instance outlives its handle.
    virtual ~SpreadsheetApplication() = default;

    // Step 2: the application stays invisible for the whole export.
    virtual void setVisible(bool visible) = 0;
    // Step 3: opens a workbook; it becomes the active one, and its active
    // sheet receives the cell writes.
    virtual void openWorkbook(const QString& path) = 0;
    // Step 4: row and column count from 1; the text replaces the cell's
    // content and keeps its format; an empty text leaves the cell empty.
    virtual void setCellValue(int row, int column, const QString& text) = 0;
    // Step 5: stores the active workbook as an Excel 97-2003 workbook at
    // this path, with the format's extension appended when the name has
    // none (storedWorkbookPath), as a spreadsheet application does.
    virtual void saveActiveWorkbookAs(const QString& path) = 0;
    // Step 6: the active workbook counts as having no unsaved changes.
    virtual void setActiveWorkbookSaved(bool saved) = 0;
    // Step 7: closes every open workbook without saving.
    virtual void closeWorkbooks() = 0;
    // Step 8: ends the application.
    virtual void quit() = 0;
};

// Step 1: starts a new, hidden application; throws SpreadsheetError when
// none is installed or it does not answer in time.
class SpreadsheetApplications {
  public:
    virtual ~SpreadsheetApplications() = default;
    virtual std::unique_ptr<SpreadsheetApplication> create() = 0;
};

// The spreadsheet application installed on this machine.
std::unique_ptr<SpreadsheetApplications> installedSpreadsheets();

// Where a spreadsheet application stores a workbook saved under this name:
// ".xls" appended to a name without an extension, any other name as it is.
QString storedWorkbookPath(const QString& path);

}  // namespace wormpair
