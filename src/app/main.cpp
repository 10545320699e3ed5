#include <QApplication>
#include <QFile>

#include <cstdio>

#include "app/main_window.h"
#include "app/program.h"
#include "platform/file_replace.h"
#include "updater/install_journal.h"

int main(int argc, char* argv[]) {
    wormpair::ignoreFileSizeSignal();
    wormpair::ChineseLocale chinese;
    QApplication app(argc, argv);
    chinese.restoreEnvironment();
    if (wormpair::updater::recoverInterruptedInstall(
            QFile::encodeName(QApplication::applicationDirPath()).toStdString()) ==
        wormpair::updater::Recovery::Refused) {
        std::fprintf(stderr, "wormpair: %s\n", wormpair::updater::kRefusedJournalText);
    }
    wormpair::installChineseTranslations(app);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::DesktopProgram program(QApplication::applicationDirPath() + '/', arguments);
    program.window().show();
    return QApplication::exec();
}
