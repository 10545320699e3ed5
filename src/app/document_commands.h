#pragma once

#include <QString>

#include <functional>

#include "platform/platform.h"

namespace wormpair {

class WindowShell;

// The manuals, the help page, the about box and the online upgrade.
class DocumentCommands {
  public:
    static const char* const kNoReaderMessage;
    static const char* const kUpdaterMessage;
    static const char* const kUpdaterName;

    DocumentCommands(const Platform& platform, WindowShell& shell, QString programDirectory,
                     std::function<void()> showAbout);

    // Opens a manual of the program directory with the desktop's PDF reader.
    void openManual(const char* fileName);
    // Opens help.htm; nothing is reported when it cannot be opened.
    void help();
    void about();
    // Starts the updater and ends the program.
    void onlineUpgrade();

  private:
    Platform m_platform;
    WindowShell& m_shell;
    QString m_programDirectory;
    std::function<void()> m_showAbout;
};

}  // namespace wormpair
