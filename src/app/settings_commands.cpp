#include "app/settings_commands.h"

#include <QFileInfo>

#include "app/design_file_commands.h"
#include "app/rule_settings_dialog.h"
#include "input/main_form.h"
#include "store/parameter_database.h"
#include "store/user_settings.h"

namespace wormpair {

SettingsCommands::SettingsCommands(const Platform& platform, MainForm& form,
                                   const ParameterDatabase& database, TForm5& dialog,
                                   std::function<void()> reload)
    : m_platform(platform),
      m_form(form),
      m_database(database),
      m_dialog(dialog),
      m_reload(std::move(reload)) {}

void SettingsCommands::showRuleSettings() { m_dialog.run(); }

void SettingsCommands::restoreDefaults() {
    try {
        restoreFactorySettings(m_database);
    } catch (const SettingsFileError& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
        return;
    }
    m_form.setVisible(kRulesNotice, false);
    m_reload();
}

void SettingsCommands::loadUserSettings() {
    const QString path =
        m_platform.files.openFileName(FileDialogs::Kind::Rules, kSettingsFileFilter);
    if (path.isEmpty()) return;
    try {
        wormpair::loadUserSettings(m_database, path);
    } catch (const SettingsFileError& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
        return;
    }
    m_reload();
}

void SettingsCommands::saveUserSettings() {
    const QString chosen =
        m_platform.files.saveFileName(FileDialogs::Kind::Rules, kSettingsFileFilter, QString());
    if (chosen.isEmpty()) return;
    const QString target = settingsFileName(chosen);
    // before the question about replacing: the program's own files never are
    if (const QString problem = settingsTargetProblem(m_database, target); !problem.isEmpty()) {
        m_platform.messages.inform(problem, QString());
        return;
    }
    if (QFileInfo::exists(target) &&
        !m_platform.messages.askYesNo(DesignFileCommands::overwriteQuestion(target))) {
        return;
    }
    try {
        wormpair::saveUserSettings(m_database, target);
    } catch (const SettingsFileError& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
    }
}

}  // namespace wormpair
