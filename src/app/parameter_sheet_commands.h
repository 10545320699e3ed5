#pragma once

#include <QString>

#include <memory>

#include "export/parameter_sheets.h"
#include "export/spreadsheet_application.h"
#include "platform/platform.h"

namespace wormpair {

class DesignController;
class MainForm;
class TXLSReadWriteII4;

// The six exports of the parameter sheets: the menu route through the
// spreadsheet application, the toolbar route through the workbook component.
class ParameterSheetCommands {
  public:
    ParameterSheetCommands(const Platform& platform, const MainForm& form,
                           const DesignController& design, TXLSReadWriteII4& workbook,
                           QString programDirectory);

    void exportByMenu(Sheet sheet);
    void exportByToolbar(Sheet sheet);

  private:
    ExportDesktop desktop() const;

    Platform m_platform;
    const MainForm& m_form;
    const DesignController& m_design;
    TXLSReadWriteII4& m_workbook;
    QString m_programDirectory;
    // The one program-wide application handle; ending with the window, it
    // ends an application a failed export left behind.
    std::unique_ptr<SpreadsheetApplication> m_application;
};

}  // namespace wormpair
