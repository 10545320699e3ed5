#pragma once

#include <QString>

#include <chrono>

#include "platform/platform.h"
#include "store/program_layout.h"

namespace wormpair {

class MainForm;
class WindowShell;

// The two talks with the vendor's web server: the one-line notice at the
// right end of the toolbar, fetched once when the window is made, and the
// version check of every start-up load, which extends the caption when a
// newer version is out.
class UpdateNotice {
  public:
    static constexpr std::chrono::milliseconds kTimeout{3000};
    static const char* const kBaseCaption;

    // serverAddress: the base address, empty when there is none; the
    // program directory holds v.txt, the data directory receives gg and
    // v-up.txt.
    UpdateNotice(Downloads& downloads, MainForm& form, WindowShell& shell,
                 const ProgramLayout& layout, QString serverAddress);

    // Fills Label32 with the first line of the notice, as plain text; a
    // failed download or an unreadable file leaves it as it was.
    void downloadNotice();

    // Compares the installed version (first line of v.txt) with the
    // published one; throws when v.txt cannot be read, or the downloaded
    // version file cannot.
    void versionCheck();

    // The address of a resource with the query that makes each request new.
    QString resourceAddress(const QString& path) const;

    // The time of day in the query; tests fix it.
    std::function<QString()> timeOfDay;

  private:
    Downloads& m_downloads;
    MainForm& m_form;
    WindowShell& m_shell;
    ProgramLayout m_layout;
    QString m_serverAddress;
};

}  // namespace wormpair
