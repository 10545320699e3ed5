#include "export/spreadsheet_application.h"

namespace wormpair {

namespace {

// Without an automation bridge to a spreadsheet application, step 1 fails.
class NoSpreadsheets : public SpreadsheetApplications {
  public:
    std::unique_ptr<SpreadsheetApplication> create() override {
        throw SpreadsheetError("no spreadsheet application can be driven on this machine");
    }
};

}  // namespace

std::unique_ptr<SpreadsheetApplications> installedSpreadsheets() {
    return std::make_unique<NoSpreadsheets>();
}

}  // namespace wormpair
