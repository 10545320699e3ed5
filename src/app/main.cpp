#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char* argv[]) {
    wormpair::ChineseLocale chinese;
    QApplication app(argc, argv);
    chinese.restoreEnvironment();
    wormpair::installChineseTranslations(app);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::DesktopProgram program(QApplication::applicationDirPath() + '/', arguments);
    program.window().show();
    return QApplication::exec();
}
