// Starts the program as main() does and ends as soon as the main window has
// been shown and its coefficients loaded; startup_bench.sh times whole runs.
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::installChineseTranslations(app);
    wormpair::DesktopProgram program(QApplication::applicationDirPath() + "/../", {});
    wormpair::TForm1& window = program.window();
    window.show();
    // the first queued call runs after the show event, i.e. after the load
    QTimer::singleShot(0, &app, [&] {
        const bool loaded = window.design().coefficients().wrappedTeethLimit != 0;
        std::printf(loaded ? "shown, coefficients loaded\n" : "shown, load FAILED\n");
        QApplication::exit(loaded ? 0 : 1);
    });
    return QApplication::exec();
}
