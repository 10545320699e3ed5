#include "app/about_box.h"

#include <QApplication>
#include <QFile>

#include "app/forms/form_look.h"
#include "ui_form6.h"

namespace wormpair {

TForm6::TForm6(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TForm6>()) {
    m_ui->setupUi(this);
    forms::fixWindow(*this, true, true);
    setFixedSize(723, 329);
    setModal(true);
    // Chinese lines have no blanks to break at
    m_ui->Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_ui->Memo1->setPlainText(aboutText());
    forms::centre(*this);
}

TForm6::~TForm6() = default;

QString TForm6::aboutText() {
    QFile file(QStringLiteral(":/text/about.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace wormpair
