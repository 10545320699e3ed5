#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::installChineseTranslations(app);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::DesktopProgram program(QApplication::applicationDirPath() + '/', arguments);
    program.window().show();
    return QApplication::exec();
}
