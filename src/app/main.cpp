#include <QApplication>

#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_platform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::QtPlatform desktop;
    wormpair::TForm2 progress;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::TForm1 window(desktop.platform(progress), QApplication::applicationDirPath() + '/',
                            arguments);
    window.show();
    return QApplication::exec();
}
