#include "app/progress_window.h"

#include <QApplication>

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
    // The store that follows blocks the event loop: paint the window first.
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm2::close() { QDialog::hide(); }

}  // namespace wormpair
