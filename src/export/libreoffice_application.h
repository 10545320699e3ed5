#pragma once

#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

#include "export/spreadsheet_application.h"

// LibreOffice Calc as the spreadsheet application, driven over its UNO
// bridge. Every application is a headless LibreOffice of its own, started
// with a user profile of its own (never the user's), so an office the user
// has open is never touched and quitting ends only our instance.
//
// The office is killed when the thread that created its application ends
// (which is also what keeps a crash of this program from leaving an office
// behind): create applications on a thread that outlives them, the GUI
// thread.

namespace wormpair {

struct LibreOfficeOptions {
    // A name looked up in PATH, or a path. The "soffice" launcher script is
    // seen through: the office program beside it is started directly.
    QString program = QStringLiteral("soffice");
    // From the start of the office until its bridge answers (the first start
    // with an empty profile takes longest).
    std::chrono::milliseconds connectTimeout{30000};
    // The profile folder; empty means "libreoffice" in wormpair's folder of
    // the user's cache directory. While another program uses it, a fresh
    // folder beside it is used and removed afterwards.
    std::filesystem::path profileFolder;
};

class LibreOfficeApplications : public SpreadsheetApplications {
  public:
    LibreOfficeApplications() = default;
    explicit LibreOfficeApplications(LibreOfficeOptions options) : m_options(std::move(options)) {}

    // Step 1. Throws SpreadsheetError when this program was built without
    // the bridge, the office is not installed, or it does not answer within
    // the time-out; no process is left behind then.
    std::unique_ptr<SpreadsheetApplication> create() override;

    // Whether this program was built with the UNO bridge.
    static bool bridgeAvailable();

    // $XDG_CACHE_HOME/wormpair/libreoffice, by default
    // ~/.cache/wormpair/libreoffice.
    static std::filesystem::path defaultProfileFolder();

  private:
    LibreOfficeOptions m_options;
};

}  // namespace wormpair
