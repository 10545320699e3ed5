#include "form_look.h"

#include <QLabel>
#include <QPalette>

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

}  // namespace wormpair::forms
