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
    const QString path =
        m_platform.files.openFileName(FileDialogs::Kind::Design, kDesignFileFilter);
    if (!path.isEmpty()) openFile(path);
}

bool DesignFileCommands::openFile(const QString& path) {
    if (!openDesignFile(m_form, m_design, m_workbook, path)) return false;
    m_currentFile = path;
    return true;
}

bool DesignFileCommands::save() { return write(false); }

bool DesignFileCommands::saveAs() { return write(true); }

bool DesignFileCommands::write(bool chooseFile) {
    DocumentState& document = m_design.document();
    const QString bound = QString::fromStdString(document.designFilePath);
    QString target = bound;
    try {
        // an opened design keeps whatever else its workbook holds
        const QString source = !bound.isEmpty() && (!chooseFile || QFileInfo::exists(bound))
                                   ? bound
                                   : m_programDirectory + kDesignTemplate;
        fillDesignWorkbook(m_workbook, source.toStdString(), designFileTexts(m_form));
        if (chooseFile || bound.isEmpty()) {
            const QString proposal =
                chooseFile && !m_currentFile.isEmpty()
                    ? QFileInfo(m_currentFile).completeBaseName()
                    : QString::fromStdString(m_form.text("Edit1") + "-" + m_form.text("Edit2"));
            const QString chosen = m_platform.files.saveFileName(FileDialogs::Kind::Design,
                                                                 kDesignFileFilter, proposal);
            if (chosen.isEmpty()) return false;
            // Save always appends (a.cqb is written as a.cqb.cqb); after the
            // dialog, so the question is ours to ask
            const bool hasExtension =
                chooseFile && chosen.endsWith(kDesignFileExtension, Qt::CaseInsensitive);
            target = hasExtension ? chosen : chosen + kDesignFileExtension;
            if (QFileInfo::exists(target) &&
                !m_platform.messages.askYesNo(overwriteQuestion(target))) {
                return false;
            }
        }
        writeDesignFile(m_workbook, target.toStdString());
    } catch (const std::exception&) {
        m_form.showMessage(kSaveFailedMessage);
        return false;
    }
    document.designSaved = true;
    if (chooseFile) document.designFilePath = target.toStdString();
    m_currentFile = target;
    return true;
}

}  // namespace wormpair
