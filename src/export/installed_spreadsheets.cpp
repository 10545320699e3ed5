#include "export/libreoffice_application.h"
#include "export/spreadsheet_application.h"

namespace wormpair {

// On this platform the spreadsheet application is LibreOffice Calc; without
// its bridge compiled in, starting it fails.
std::unique_ptr<SpreadsheetApplications> installedSpreadsheets() {
    return std::make_unique<LibreOfficeApplications>();
}

}  // namespace wormpair
