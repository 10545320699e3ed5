// Starts the program as main() does and ends as soon as the main window has
// been shown and its coefficients loaded; startup_bench.sh times whole runs.
//   startup_probe [SERVER]   the vendor's server to talk to (default: none)
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::installChineseTranslations(app);
    const QString server = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    wormpair::DesktopProgram program(QApplication::applicationDirPath() + "/../", {}, server);
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
