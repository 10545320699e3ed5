#include "app/progress_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include "app/forms/form_look.h"
#include "ui_form2.h"

namespace wormpair {

namespace {

// Restarts the clock on every exposure of the window it watches.
class ExposureWatch : public QObject {
  public:
    explicit ExposureWatch(QElapsedTimer& quiet) : m_quiet(quiet) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) m_quiet.restart();
        return QObject::eventFilter(watched, event);
    }

  private:
    QElapsedTimer& m_quiet;
};

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TForm2>()) {
    m_ui->setupUi(this);
    forms::fixWindow(*this, true, false);
    setFixedSize(305, 105);
    setModal(false);
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] { QDialog::hide(); });
}

TForm2::~TForm2() = default;

void TForm2::show() {
    forms::centre(*this);
    QDialog::show();
    raise();
    // The store that follows blocks the event loop, so the window must be on
    // the screen and painted before this returns. A window manager maps and
    // reparents it in several round trips, each of which may expose it anew
    // and lose what was painted: wait until it has been exposed and then
    // stayed quiet for a moment, painting on every exposure.
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer quiet;
    quiet.start();
    ExposureWatch watch(quiet);
    if (windowHandle() != nullptr) windowHandle()->installEventFilter(&watch);
    while (waited.elapsed() < 2000 &&
           (windowHandle() == nullptr || !windowHandle()->isExposed() || quiet.elapsed() < 150)) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    if (windowHandle() != nullptr) windowHandle()->removeEventFilter(&watch);
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::sync();
}

void TForm2::close() { QDialog::hide(); }

}  // namespace wormpair
