#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// wormpair-cli analysis contact DESIGN.cqb -o LINES.csv [--nominal]
// [--positions N] [--speed RPM]: opens the design as the window does and
// writes the contact lines of the worm and the wheel (contact_lines.h).
int runAnalysisCommand(const QStringList& arguments, const QString& programDirectory,
                       QTextStream& out, QTextStream& err);

}  // namespace wormpair
