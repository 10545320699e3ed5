#include "app/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "platform/file_replace.h"

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
    const QUrl url(address, QUrl::StrictMode);
    if (address.isEmpty() || !url.isValid() ||
        (url.scheme() != "http" && url.scheme() != "https")) {
        return false;
    }
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    QNetworkReply* reply = network.get(request);
    QByteArray body;
    bool tooLarge = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        body += reply->readAll();
        if (body.size() > kDownloadLimit) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    // user input waits: the program's own download is in progress
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    body += reply->readAll();
    const bool ok = reply->error() == QNetworkReply::NoError && !tooLarge &&
                    body.size() <= kDownloadLimit &&
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    reply->deleteLater();
    if (!ok) return false;
    try {
        replaceFile(localFile.toStdString(),
                    {reinterpret_cast<const std::uint8_t*>(body.constData()),
                     static_cast<std::size_t>(body.size())});
    } catch (const FileReplaceError&) {
        return false;
    }
    return true;
}

}  // namespace wormpair
