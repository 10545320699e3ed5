#pragma once

#include <QString>
#include <QStringList>

namespace wormpair {

// What the commands may do to the main window itself, beyond its controls.
class WindowShell {
  public:
    virtual ~WindowShell() = default;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;
    // Closes the main window, which ends the program, without asking about
    // unsaved work (the caller has); when called while the window is being
    // shown, it closes as soon as the event loop runs.
    virtual void closeWindow() = 0;
    // The captions of the program's other windows now open (series, drawings,
    // models), which closing the main window closes too.
    virtual QStringList openWindows() const { return {}; }
};

}  // namespace wormpair
