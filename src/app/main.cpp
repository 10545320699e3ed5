#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"
#include "app/progress_window.h"
#include "app/qt_platform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::installChineseTranslations(app);
    wormpair::QtPlatform desktop;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    wormpair::TForm2 progress;
    wormpair::TForm1 window(desktop.platform(progress), QApplication::applicationDirPath() + '/',
                            arguments);
    window.show();
    return QApplication::exec();
}
