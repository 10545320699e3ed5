#include "app/about_box.h"

#include <QApplication>
#include <QFile>
#include <QScreen>

#include "ui_form6.h"

namespace wormpair {

TForm6::TForm6(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TForm6>()) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(723, 329);
    setModal(true);
    m_ui->Memo1->setPlainText(aboutText());
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TForm6::~TForm6() = default;

QString TForm6::aboutText() {
    QFile file(QStringLiteral(":/text/about.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace wormpair
