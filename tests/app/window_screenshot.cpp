// Shows the main window after a complete design and saves a picture of it:
//   window_screenshot OUT.png
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "fake_platform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    wormpair::FakePlatform desktop;
    wormpair::TForm1 window(desktop.platform(), WORMPAIR_PROGRAM_DIR);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::keyClicks(window.findChild<QLineEdit*>("Edit1"), "160");
    QTest::keyClicks(window.findChild<QLineEdit*>("Edit3"), "45");
    QTest::mouseClick(window.findChild<QToolButton*>("SpeedButton2"), Qt::LeftButton);
    QTest::qWait(200);
    return window.grab().save(argv[1]) && desktop.messages.isEmpty() ? 0 : 1;
}
