#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// Whether the command line asks for a drawing painted through Qt Gui (PDF or
// SVG): the tool then starts as a QGuiApplication, without a display.
bool drawingNeedsPainting(const QStringList& arguments);

}  // namespace wormpair
