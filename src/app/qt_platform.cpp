#include "app/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "platform/file_replace.h"
#include "platform/http_fetch.h"

namespace wormpair {

const char* const QtPlatform::kProgramTitle = "NALVEX蜗杆副设计";

namespace {

QWidget* activeWindow() { return QApplication::activeWindow(); }

// "*.cqb|*.cqb" as Qt writes it; a bare ".xls" becomes "*.xls".
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    if (parts.size() == 2) return parts[0] + " (" + parts[1] + ")";
    return filter.startsWith('.') ? '*' + filter : filter;
}

}  // namespace

void QtPlatform::inform(const QString& text, const QString& caption) {
    QMessageBox::information(activeWindow(),
                             caption.isEmpty() ? QString::fromUtf8(kProgramTitle) : caption, text);
}

bool QtPlatform::askYesNo(const QString& text) {
    return QMessageBox::warning(activeWindow(), QString::fromUtf8(kProgramTitle), text,
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

namespace {

// Whether the desktop has an application for the file's type: the opener
// itself is started detached and reports nothing back.
bool desktopCanOpen(const QString& path) {
    const QString mime = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!query.waitForFinished(2000)) {
        query.kill();
        query.waitForFinished();
        return true;  // no answer: let the desktop try
    }
    if (query.exitStatus() != QProcess::NormalExit) return true;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool QtPlatform::open(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty() &&
        !desktopCanOpen(path)) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtPlatform::download(const QString& address, const QString& localFile,
                          std::chrono::milliseconds timeout) {
    const FetchResult result = HttpFetcher().fetch(address, {kDownloadLimit, timeout, timeout});
    if (result.status != FetchResult::Status::Ok) return false;
    try {
        replaceFile(localFile.toStdString(),
                    {reinterpret_cast<const std::uint8_t*>(result.body.constData()),
                     static_cast<std::size_t>(result.body.size())});
    } catch (const FileReplaceError&) {
        return false;
    }
    return true;
}

}  // namespace wormpair
