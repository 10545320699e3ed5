#pragma once

#include <QColor>

class QLabel;
class QWidget;

// Colours of the main window and the warning highlight of result labels.
// A result label fills its background itself (autoFillBackground in the form),
// so switching its Window colour is all a highlight needs.

namespace wormpair::forms {

// The client area's own background; a label in the normal state shows no box.
QColor windowColour();

// Background of a result label whose value lies outside its advised range.
QColor warningColour();

// Paints the label's background in the warning colour or the window colour.
void setWarning(QLabel& label, bool warning);

// True while the label's background is the warning colour.
bool isWarning(const QLabel& label);

// A window of fixed size with a system menu, a close button and, where
// asked, a minimize button; no maximize button, no resizing.
void fixWindow(QWidget& window, bool dialog, bool minimizeButton);

// Moves the window to the centre of the screen.
void centre(QWidget& window);

}  // namespace wormpair::forms
