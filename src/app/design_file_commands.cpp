#include "app/design_file_commands.h"

#include <QDir>
#include <QFileInfo>

#include "input/design_controller.h"
#include "input/design_file_open.h"
#include "input/main_form.h"
#include "store/design_file.h"

namespace wormpair {

DesignFileCommands::DesignFileCommands(const Platform& platform, MainForm& form,
                                       DesignController& design, TXLSReadWriteII4& workbook,
                                       QString programDirectory)
    : m_platform(platform),
      m_form(form),
      m_design(design),
      m_workbook(workbook),
      m_programDirectory(std::move(programDirectory)) {}

QString DesignFileCommands::overwriteQuestion(const QString& path) {
    return QStringLiteral("文件“%1”已存在，是否替换？").arg(QDir::toNativeSeparators(path));
}

void DesignFileCommands::open() {
    const QString path = m_platform.files.openFileName(kDesignFileFilter);
    if (!path.isEmpty()) openFile(path);
}

bool DesignFileCommands::openFile(const QString& path) {
    return openDesignFile(m_form, m_design, m_workbook, path);
}

bool DesignFileCommands::save() {
    DocumentState& document = m_design.document();
    try {
        const bool bound = !document.designFilePath.empty();
        const std::filesystem::path source =
            bound ? std::filesystem::path(document.designFilePath)
                  : std::filesystem::path((m_programDirectory + kDesignTemplate).toStdString());
        fillDesignWorkbook(m_workbook, source, designFileTexts(m_form));
        std::filesystem::path target = source;
        if (!bound) {
            const QString proposal =
                QString::fromStdString(m_form.text("Edit1") + "-" + m_form.text("Edit2"));
            const QString chosen = m_platform.files.saveFileName(kDesignFileFilter, proposal);
            if (chosen.isEmpty()) return false;
            // appended after the dialog, so the question is ours to ask
            const QString path = chosen + kDesignFileExtension;
            if (QFileInfo::exists(path) && !m_platform.messages.askYesNo(overwriteQuestion(path))) {
                return false;
            }
            target = path.toStdString();
        }
        writeDesignFile(m_workbook, target);
    } catch (const std::exception&) {
        m_form.showMessage(kSaveFailedMessage);
        return false;
    }
    document.designSaved = true;
    return true;
}

}  // namespace wormpair
