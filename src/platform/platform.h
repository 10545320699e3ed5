#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

// What the program asks of the desktop, behind small interfaces so that tests
// replace each with a scripted fake (tests/support/fake_platform.h).

namespace wormpair {

class SpreadsheetApplications;  // export/spreadsheet_application.h

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // A box with an OK button; an empty caption takes the program's title.
    virtual void inform(const QString& text, const QString& caption) = 0;
    // A warning box with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The chosen file, or an empty text when the user cancels. The filter is
    // written "description|pattern" (e.g. "*.cqb|*.cqb") or as a bare
    // pattern (".xls"). Neither dialog asks about existing files.
    virtual QString openFileName(const QString& filter) = 0;
    virtual QString saveFileName(const QString& filter, const QString& proposedName) = 0;
};

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts a program detached from this one; false when it cannot start.
    virtual bool start(const QString& program, const QStringList& arguments) = 0;
};

class Documents {
  public:
    virtual ~Documents() = default;
    // Opens a file with the desktop's application for it; false on failure.
    virtual bool open(const QString& path) = 0;
};

class Downloads {
  public:
    virtual ~Downloads() = default;
    // Fetches address into localFile (replacing it only when the whole
    // resource arrived); false on any failure, including the time-out.
    virtual bool download(const QString& address, const QString& localFile,
                          std::chrono::milliseconds timeout) = 0;
};

class ProgressWindow {
  public:
    virtual ~ProgressWindow() = default;
    // Shows the window without waiting for it; it is painted before this
    // returns, so that it stays visible while the caller blocks.
    virtual void show() = 0;
    virtual void close() = 0;
};

struct Platform {
    MessageBoxes& messages;
    FileDialogs& files;
    Processes& processes;
    Documents& documents;
    Downloads& downloads;
    ProgressWindow& progress;
    SpreadsheetApplications& spreadsheets;
};

}  // namespace wormpair
