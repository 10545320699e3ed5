#include "app/parameter_sheet_commands.h"

#include "input/design_snapshot.h"

namespace wormpair {

ParameterSheetCommands::ParameterSheetCommands(const Platform& platform, const MainForm& form,
                                               const DesignController& design,
                                               TXLSReadWriteII4& workbook, QString programDirectory)
    : m_platform(platform),
      m_form(form),
      m_design(design),
      m_workbook(workbook),
      m_programDirectory(std::move(programDirectory)) {}

ExportDesktop ParameterSheetCommands::desktop() const {
    return {m_platform.files, m_platform.progress, m_platform.messages};
}

void ParameterSheetCommands::exportByMenu(Sheet sheet) {
    wormpair::exportByMenu(sheet, designSnapshot(m_form, m_design), m_programDirectory,
                           m_platform.spreadsheets, m_application, desktop());
}

void ParameterSheetCommands::exportByToolbar(Sheet sheet) {
    wormpair::exportByToolbar(sheet, designSnapshot(m_form, m_design), m_programDirectory, m_workbook,
                              desktop());
}

}  // namespace wormpair
