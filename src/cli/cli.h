#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace wormpair {

// Exit statuses of wormpair-cli.
inline constexpr int kExitRan = 0;          // the command ran, whatever its outcome
inline constexpr int kExitFailed = 1;       // the command could not run (a file, the database)
inline constexpr int kExitUsage = 2;        // the command line was wrong

// Runs wormpair-cli with its arguments (without the program name). The
// program directory holds the parameter database and the templates.
int runCli(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
           QTextStream& err);

}  // namespace wormpair
