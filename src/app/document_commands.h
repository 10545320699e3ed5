#pragma once

#include <QString>

#include <functional>

#include "platform/platform.h"
#include "store/program_layout.h"

namespace wormpair {

class WindowShell;

// The manuals, the help page, the about box and the online upgrade.
class DocumentCommands {
  public:
    static const char* const kNoReaderMessage;
    static const char* const kUpdaterMessage;
    static const char* const kUpdaterName;
    static const char* const kPackageManagerMessage;

    // serverAddress: the vendor's server, empty for none; mayEnd asks about
    // unsaved work before the program ends for the updater.
    DocumentCommands(const Platform& platform, WindowShell& shell, const ProgramLayout& layout,
                     QString serverAddress, std::function<void()> showAbout,
                     std::function<bool()> mayEnd);

    // Opens a manual of the program directory with the desktop's PDF reader.
    void openManual(const char* fileName);
    // Opens help.htm; nothing is reported when it cannot be opened.
    void help();
    void about();
    // Starts the updater and ends the program, once unsaved work is dealt
    // with; without an update server it says so and stays, and a program
    // installed as a package is updated by the system's package manager.
    void onlineUpgrade();

  private:
    Platform m_platform;
    WindowShell& m_shell;
    ProgramLayout m_layout;
    QString m_serverAddress;
    std::function<void()> m_showAbout;
    std::function<bool()> m_mayEnd;
};

}  // namespace wormpair
