#pragma once

#include <QString>

#include <functional>

#include "platform/platform.h"

namespace wormpair {

class MainForm;
class ParameterDatabase;
class TForm5;

// The "设置" menu: the rule settings dialog and the user settings files
// (whole copies of the parameter database).
class SettingsCommands {
  public:
    // reload: the main window's start-up load.
    SettingsCommands(const Platform& platform, MainForm& form, const ParameterDatabase& database,
                     TForm5& dialog, std::function<void()> reload);

    void showRuleSettings();
    void restoreDefaults();
    void loadUserSettings();
    void saveUserSettings();

  private:
    Platform m_platform;
    MainForm& m_form;
    const ParameterDatabase& m_database;
    TForm5& m_dialog;
    std::function<void()> m_reload;
};

}  // namespace wormpair
