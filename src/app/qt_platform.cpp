#include "app/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace wormpair {

namespace {

QWidget* activeWindow() { return QApplication::activeWindow(); }

// "*.cqb|*.cqb" style filters as Qt writes them.
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    return parts.size() == 2 ? parts[0] + " (" + parts[1] + ")" : filter;
}

}  // namespace

void QtPlatform::inform(const QString& text, const QString& caption) {
    QMessageBox::information(activeWindow(),
                             caption.isEmpty() ? QApplication::applicationDisplayName() : caption,
                             text);
}

bool QtPlatform::askYesNo(const QString& text) {
    return QMessageBox::warning(activeWindow(), QApplication::applicationDisplayName(), text,
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString QtPlatform::openFileName(const QString& filter) {
    return QFileDialog::getOpenFileName(activeWindow(), QString(), QString(), qtFilter(filter));
}

QString QtPlatform::saveFileName(const QString& filter, const QString& proposedName) {
    // the caller decides about extensions and existing files itself
    return QFileDialog::getSaveFileName(activeWindow(), QString(), proposedName, qtFilter(filter),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

bool QtPlatform::start(const QString& program, const QStringList& arguments) {
    return QFileInfo(program).isExecutable() && QProcess::startDetached(program, arguments);
}

bool QtPlatform::open(const QString& path) {
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace wormpair
