#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

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

    enum class Answer { Yes, No, Cancel };
    // A warning box with Yes, No and Cancel; Escape and the window's close
    // button answer Cancel. Where no such box is shown it is a Yes/No box.
    virtual Answer askYesNoCancel(const QString& text) {
        return askYesNo(text) ? Answer::Yes : Answer::No;
    }
};

class FileDialogs {
  public:
    // What the file is for: each kind's dialog starts in the folder a file
    // of that kind was last chosen in, remembered for the user.
    enum class Kind { Design, Sheet, Drawing, Model, Rules, Series };

    virtual ~FileDialogs() = default;
    // The chosen file, or an empty text when the user cancels. The filter is
    // written "description|pattern" (e.g. "设计文件|*.cqb") or as a bare
    // pattern (".xls"). Neither dialog asks about existing files.
    virtual QString openFileName(Kind kind, const QString& filter) = 0;
    virtual QString saveFileName(Kind kind, const QString& filter, const QString& proposedName) = 0;
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

// What a slow job sees of the window that shows its progress.
class WorkProgress {
  public:
    virtual ~WorkProgress() = default;
    // done of total steps, and what is being done; callable from the worker.
    virtual void report(int done, int total, const QString& text) = 0;
    // True once the user pressed 取消; the job ends at its next check.
    virtual bool cancelled() const = 0;
};

class BackgroundWork {
  public:
    virtual ~BackgroundWork() = default;
    // Runs work away from the user-interface thread while a modal window
    // titled `title` shows its progress and a 取消 button, and returns when
    // the work has returned. False when the user cancelled. The work must
    // not touch widgets; an exception it throws is rethrown here.
    virtual bool run(const QString& title, const std::function<void(WorkProgress&)>& work) = 0;
};

struct Platform {
    MessageBoxes& messages;
    FileDialogs& files;
    Processes& processes;
    Documents& documents;
    Downloads& downloads;
    ProgressWindow& progress;
    SpreadsheetApplications& spreadsheets;
    BackgroundWork& work;
};

}  // namespace wormpair
