// Pictures of the program for the README, offscreen or under xvfb-run:
//   window_screenshot OUT.png              the main window after a design
//   window_screenshot OUT.png settings     the rule settings dialog
//   window_screenshot OUT.png about        the about box
//   window_screenshot OUT.png notice TEXT  the window with a notice and a newer version
//   window_screenshot OUT.png progress     the screen while a menu export stores its sheet
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/progress_window.h"
#include "app/rule_settings_dialog.h"
#include "export/spreadsheet_application.h"
#include "fake_platform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wormpair::installChineseTranslations(app);
    if (argc < 2) return 2;
    const QString out = argv[1];
    const QString mode = argc > 2 ? argv[2] : "";
    wormpair::FakePlatform desktop;
    if (mode == "notice") {
        const QByteArray notice = argc > 3 ? QByteArray(argv[3]) : QByteArray("新版本已发布");
        desktop.serve = [notice](const QString& address) -> std::optional<QByteArray> {
            return address.contains("guanggao") ? notice : QByteArray("V8.7");
        };
    }
    // a copy of the program directory, so that the downloads land there
    QTemporaryDir program;
    for (const char* name :
         {"db1.mdb", "db1.ccq", "v.txt", "1.xls", "11.xls", "111.xls", "1111.xls"}) {
        QFile::copy(QString(WORMPAIR_PROGRAM_DIR) + name, program.filePath(name));
    }
    // the progress window photographs the screen once it is shown, before
    // the application stores the sheet
    class PhotographedProgress : public wormpair::TForm2 {
      public:
        explicit PhotographedProgress(QString file) : m_file(std::move(file)) {}
        void show() override {
            TForm2::show();
            taken = QGuiApplication::primaryScreen()->grabWindow(0).save(m_file);
        }
        bool taken = false;

      private:
        QString m_file;
    } progress(out);
    const std::unique_ptr<wormpair::SpreadsheetApplications> office =
        wormpair::installedSpreadsheets();
    wormpair::Platform platform = desktop.platform();
    const wormpair::Platform withProgress{platform.messages,
                                          platform.files,
                                          platform.processes,
                                          platform.documents,
                                          platform.downloads,
                                          progress,
                                          *office,
                                          platform.work};
    wormpair::TForm1 window(mode == "progress" ? withProgress : platform, program.path() + '/', {},
                            mode == "notice" ? "http://example.invalid" : "");
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::keyClicks(window.findChild<QLineEdit*>("Edit1"), "160");
    QTest::keyClicks(window.findChild<QLineEdit*>("Edit3"), "45");
    QTest::mouseClick(window.findChild<QToolButton*>("SpeedButton2"), Qt::LeftButton);
    QTest::qWait(200);
    bool saved = false;
    const auto grabLater = [&](QWidget& dialog) {
        QTimer::singleShot(300, [&] {
            saved = dialog.grab().save(out);
            dialog.close();
        });
    };
    if (mode == "settings") {
        grabLater(window.ruleSettings());
        window.ruleSettings().run();
    } else if (mode == "about") {
        grabLater(window.aboutBox());
        window.aboutBox().exec();
    } else if (mode == "progress") {
        desktop.saveNames = {program.filePath("wogan.xls")};
        window.findChild<QAction*>("N3")->trigger();
        saved = progress.taken;
    } else if (mode == "notice") {
        // the screen, with the title bar a window manager draws (if one runs)
        QTest::qWait(700);
        const QRect frame = window.frameGeometry();
        saved = QGuiApplication::primaryScreen()
                    ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                    .save(out);
    } else {
        saved = window.grab().save(out);
    }
    return saved && desktop.messages.isEmpty() ? 0 : 1;
}
