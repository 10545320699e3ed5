#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// wormpair-cli series: a whole range of pairs designed as the recommend
// button designs one, written as a workbook, CSV or JSON.
int runSeries(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err);

}  // namespace wormpair
