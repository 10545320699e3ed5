#include "app/lifecycle_commands.h"

#include <QCoreApplication>

#include <exception>

#include "app/design_file_commands.h"
#include "app/window_shell.h"
#include "input/design_controller.h"
#include "input/main_form.h"
#include "platform/text.h"
#include "store/startup_load.h"
#include "store/store_messages.h"

namespace wormpair {

const char* const LifecycleCommands::kUnsavedQuestion = "数据尚未保存，是否保存？";

LifecycleCommands::LifecycleCommands(const Platform& platform, MainForm& form, WindowShell& shell,
                                     DesignController& design, const ParameterDatabase& database,
                                     DesignFileCommands& designFiles)
    : m_platform(platform),
      m_form(form),
      m_shell(shell),
      m_design(design),
      m_database(database),
      m_designFiles(designFiles) {}

StartupLoadResult runStartupLoad(const ParameterDatabase& database, CoefficientSet& coefficients,
                                 const std::function<void()>& versionCheck) {
    StartupLoadResult load = loadCoefficients(database, coefficients);
    if (!load.ok || !versionCheck) return load;
    try {
        versionCheck();
    } catch (const std::exception& e) {
        load.ok = false;
        load.error = QString::fromStdString(e.what());
    } catch (...) {
        load.ok = false;
        load.error = QStringLiteral("unknown failure in the version check");
    }
    return load;
}

bool LifecycleCommands::startupLoad() {
    const StartupLoadResult load =
        runStartupLoad(m_database, m_design.coefficients(), versionCheck);
    if (load.differsFromFactory) m_form.setVisible(kRulesNotice, true);
    if (!load.ok) {
        m_platform.messages.inform(toQString(kDataInitialisationFailed), toQString(kPromptCaption));
        m_shell.closeWindow();
    }
    return load.ok;
}

bool LifecycleCommands::mayEnd() {
    if (m_design.document().designSaved) return true;
    switch (m_platform.messages.askYesNoCancel(kUnsavedQuestion)) {
        case MessageBoxes::Answer::Yes: return m_designFiles.save();
        case MessageBoxes::Answer::No: return true;
        case MessageBoxes::Answer::Cancel: return false;
    }
    return false;
}

void LifecycleCommands::closeWithPrompt() {
    if (mayEnd()) m_shell.closeWindow();
}

void LifecycleCommands::openDesign() {
    if (mayEnd()) m_designFiles.open();
}

QString LifecycleCommands::closeWindowsQuestion(const QStringList& captions) {
    return QStringLiteral("新建设计将重新启动程序，并关闭这些窗口：%1。是否继续？")
        .arg(captions.join(QStringLiteral("、")));
}

void LifecycleCommands::newDesign() {
    // the program starts afresh: a series table or drawing would go unasked
    const QStringList others = m_shell.openWindows();
    if (!others.isEmpty() && !m_platform.messages.askYesNo(closeWindowsQuestion(others))) return;
    if (!mayEnd()) return;
    m_shell.closeWindow();
    QCoreApplication::quit();
    m_platform.processes.start(QCoreApplication::applicationFilePath(), {});
}

}  // namespace wormpair
