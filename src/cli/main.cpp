#include <QCoreApplication>
#include <QFile>
#ifdef WORMPAIR_CLI_PAINTS
#include <QGuiApplication>
#endif
#include <QTextStream>

#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "cli/drawing_command.h"
#include "platform/file_replace.h"
#include "updater/install_journal.h"

int main(int argc, char* argv[]) {
    wormpair::ignoreFileSizeSignal();
    QStringList given;
    for (int i = 1; i < argc; ++i) given << QString::fromLocal8Bit(argv[i]);
    // Only PDF and SVG drawings need Qt Gui; the tool shows no window, so it
    // paints off screen and needs no display.
    std::unique_ptr<QCoreApplication> app;
#ifdef WORMPAIR_CLI_PAINTS
    if (wormpair::drawingNeedsPainting(given)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!app) app = std::make_unique<QCoreApplication>(argc, argv);
    const wormpair::updater::Recovery recovery = wormpair::updater::recoverInterruptedInstall(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (recovery == wormpair::updater::Recovery::Refused) {
        err << "wormpair-cli: " << QString::fromUtf8(wormpair::updater::kRefusedJournalText) << "\n";
    }
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const int status =
        wormpair::runCli(arguments, QCoreApplication::applicationDirPath() + '/', out, err);
    out.flush();
    err.flush();
    return status;
}
