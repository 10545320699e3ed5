#pragma once

#include <QStringList>

#include <memory>

class QApplication;

namespace wormpair {

class QtPlatform;
class SpreadsheetApplications;
class TForm1;
class TForm2;

// The program as it runs on the desktop: the real desktop, the progress
// window, the spreadsheet application and the main window, created in that
// order and ended in reverse.
class DesktopProgram {
  public:
    // arguments: the command-line arguments after the program name;
    // serverAddress: the vendor's server, by default the one built in.
    DesktopProgram(const QString& programDirectory, const QStringList& arguments,
                   const QString& serverAddress = builtInServerAddress());

    static QString builtInServerAddress();
    ~DesktopProgram();

    TForm1& window() { return *m_window; }

  private:
    std::unique_ptr<QtPlatform> m_desktop;
    std::unique_ptr<TForm2> m_progress;
    std::unique_ptr<SpreadsheetApplications> m_spreadsheets;
    std::unique_ptr<TForm1> m_window;
};

// Loads Qt's own Chinese translations, so that its dialogs and buttons
// ("Save As", "Cancel", "Yes", "No") speak Chinese like the rest of the
// program. Returns false when they are not installed.
bool installChineseTranslations(QApplication& application);

}  // namespace wormpair
