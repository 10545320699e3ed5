#include "app/progress_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include "app/forms/form_look.h"
#include "ui_form2.h"

namespace wormpair {

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
    // the screen and painted before this returns: a window manager maps it
    // only after a round trip, and what is painted before that is lost.
    QElapsedTimer waited;
    waited.start();
    while ((windowHandle() == nullptr || !windowHandle()->isExposed()) && waited.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::sync();
}

void TForm2::close() { QDialog::hide(); }

}  // namespace wormpair
