#include <QApplication>

#include "app/main_window.h"
#include "app/qt_platform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("NALVEX蜗杆副设计");
    wormpair::QtPlatform desktop;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::TForm1 window(desktop.platform(), QApplication::applicationDirPath() + '/', arguments);
    window.show();
    return QApplication::exec();
}
