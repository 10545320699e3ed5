#include "updater/updater_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "updater/qt_release_downloader.h"

namespace wormpair::updater {

namespace {

const char kTitle[] = "NALVEX蜗杆副设计 在线升级";

}  // namespace

UpdaterWindow::UpdaterWindow(QtReleaseDownloader& downloader)
    : m_downloader(downloader),
      m_status(new QLabel(this)),
      m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QString::fromUtf8("取消"), this)) {
    setWindowTitle(QString::fromUtf8(kTitle));
    setMinimumWidth(420);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setText(QString::fromUtf8("正在准备……"));
    m_bar->setRange(0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &UpdaterWindow::reject);
}

void UpdaterWindow::progress(const QString& text, std::int64_t done, std::int64_t total) {
    m_status->setText(text);
    if (total <= 0) {
        m_bar->setRange(0, 0);  // busy, nothing to count
    } else {
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(done * 1000 / total));
    }
    // installing blocks the thread; show the step before it starts
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void UpdaterWindow::inform(const QString& text, const QString& caption) {
    m_cancel->setEnabled(false);  // the run is over
    QMessageBox box(QMessageBox::Information,
                    caption.isEmpty() ? QString::fromUtf8(kTitle) : caption, text, QMessageBox::Ok,
                    this);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    box.exec();
}

bool UpdaterWindow::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kTitle), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("是"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("否"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool UpdaterWindow::start(const QString& program, const QStringList& arguments) {
    return QFileInfo(program).isExecutable() && QProcess::startDetached(program, arguments);
}

void UpdaterWindow::reject() {
    // the run ends by itself once the transfer under way stops
    m_cancel->setEnabled(false);
    m_status->setText(QString::fromUtf8("正在取消……"));
    m_downloader.cancel();
}

}  // namespace wormpair::updater
