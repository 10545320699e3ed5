#pragma once

#include <QString>
#include <QStringList>

// What the program asks of the desktop, behind small interfaces so that tests
// replace each with a scripted fake.

namespace wormpair {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A box with an OK button; an empty caption takes the application's name.
    virtual void inform(const QString& text, const QString& caption) = 0;
    // A warning box with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen file, or an empty text when the user cancels.
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

struct Platform {
    MessageBoxes& messages;
    FileDialogs& files;
    Processes& processes;
    Documents& documents;
};

}  // namespace wormpair
