#pragma once

#include <QByteArray>
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

// Makes the program's locale Chinese (China) whatever the environment says,
// so that dates and numbers in Qt's own dialogs read Chinese. Construct it
// before the application object, which reads the system locale from the
// environment, and call restoreEnvironment() after: programs this one starts
// keep the user's own locale.
class ChineseLocale {
  public:
    ChineseLocale();
    void restoreEnvironment();

  private:
    QByteArray m_original;
    bool m_wasSet;
};

// Loads Qt's own Chinese translations, so that its dialogs and buttons
// ("Save As", "Cancel", "Yes", "No") speak Chinese like the rest of the
// program, with the few texts of its file dialogs they lack. Returns false
// when they are not installed.
bool installChineseTranslations(QApplication& application);

}  // namespace wormpair
