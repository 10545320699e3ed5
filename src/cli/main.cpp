#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "cli/cli.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const int status =
        wormpair::runCli(arguments, QCoreApplication::applicationDirPath() + '/', out, err);
    out.flush();
    err.flush();
    return status;
}
