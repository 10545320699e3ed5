#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// wormpair-cli drawing worm|wheel|hob|mesh DESIGN.cqb -o OUT.dxf|.pdf|.svg
//   [--sheet A3|A4|A2] [--field 图号=…]…
int runDrawing(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
               QTextStream& err);

// Whether the command line asks for a drawing painted through Qt Gui (PDF or
// SVG): the tool then starts as a QGuiApplication, without a display.
bool drawingNeedsPainting(const QStringList& arguments);

}  // namespace wormpair
