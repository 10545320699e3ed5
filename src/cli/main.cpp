#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#include "cli/cli.h"
#include "platform/file_replace.h"
#include "updater/install_journal.h"

int main(int argc, char* argv[]) {
    wormpair::ignoreFileSizeSignal();
    QCoreApplication app(argc, argv);
    wormpair::updater::recoverInterruptedInstall(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
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
