#include "form_look.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace wormpair::forms {

QColor windowColour() { return QColor(166, 202, 240); }

QColor warningColour() { return QColor(255, 0, 0); }

void setWarning(QLabel& label, bool warning) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, warning ? warningColour() : windowColour());
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

bool isWarning(const QLabel& label) {
    return label.palette().color(QPalette::Window) == warningColour();
}

void fixWindow(QWidget& window, bool dialog, bool minimizeButton) {
    Qt::WindowFlags flags = (dialog ? Qt::Dialog : Qt::Window) | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (minimizeButton) flags |= Qt::WindowMinimizeButtonHint;
    window.setWindowFlags(flags);
}

void centre(QWidget& window) {
    if (const QScreen* screen = QApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

}  // namespace wormpair::forms
