#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// wormpair-cli model worm|wheel|hob|pair DESIGN.cqb -o OUT.step|.stl|.csv
// [--nominal] [--grid ROWSxCOLUMNS] [--flank 1|2]: opens the design as the
// window does and writes the 3D model or the inspection points.
int runModelCommand(const QStringList& arguments, const QString& programDirectory,
                    QTextStream& out, QTextStream& err);

}  // namespace wormpair
