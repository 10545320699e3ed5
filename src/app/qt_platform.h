#pragma once

#include "app/platform.h"

class QWidget;

namespace wormpair {

// The real desktop: Qt's message boxes and file dialogs, QProcess and
// QDesktopServices.
class QtPlatform : public MessageBoxes, public FileDialogs, public Processes, public Documents {
public:
    void inform(const QString& text, const QString& caption) override;
    bool askYesNo(const QString& text) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& filter, const QString& proposedName) override;
    bool start(const QString& program, const QStringList& arguments) override;
    bool open(const QString& path) override;

    Platform platform() { return {*this, *this, *this, *this}; }
};

}  // namespace wormpair
