#include "app/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/file_replace.h"
#include "platform/http_fetch.h"
#include "platform/program_files.h"

namespace wormpair {

const char* const QtPlatform::kProgramTitle = "NALVEX蜗杆副设计";

namespace {

QWidget* activeWindow() { return QApplication::activeWindow(); }

// "设计文件|*.cqb" as Qt writes it, "设计文件 (*.cqb)"; a bare ".xls" becomes "*.xls".
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

MessageBoxes::Answer QtPlatform::askYesNoCancel(const QString& text) {
    switch (QMessageBox::warning(activeWindow(), QString::fromUtf8(kProgramTitle), text,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                 QMessageBox::Yes)) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

QString QtPlatform::openFileName(Kind kind, const QString& filter) {
    const QString chosen = QFileDialog::getOpenFileName(activeWindow(), QString(),
                                                        m_folders.folder(kind), qtFilter(filter));
    if (!chosen.isEmpty()) m_folders.remember(kind, chosen);
    return chosen;
}

QString QtPlatform::saveFileName(Kind kind, const QString& filter, const QString& proposedName) {
    QString start = proposedName;
    QString folder = m_folders.folder(kind);
    // never where the program's own files lie (a program started from its
    // folder would otherwise offer that folder)
    const auto isProgramFolder = [this](const QString& path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return std::any_of(m_programFolders.begin(), m_programFolders.end(),
                           [&](const QString& own) {
                               const QString root = QFileInfo(own).canonicalFilePath();
                               return !root.isEmpty() && (canonical == root ||
                                                          canonical.startsWith(root + '/'));
                           });
    };
    if (folder.isEmpty() || isProgramFolder(folder)) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir() || isProgramFolder(folder)) {
            folder = QDir::homePath();
        }
    }
    if (QFileInfo(proposedName).isRelative()) start = QDir(folder).filePath(proposedName);
    // the caller decides about extensions and existing files itself
    const QString chosen = QFileDialog::getSaveFileName(
        activeWindow(), QString(), start, qtFilter(filter), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) return chosen;
    if (const QString problem = chosenFileProblem(chosen, filter, m_programFolders);
        !problem.isEmpty()) {
        inform(problem, QString());
        return {};
    }
    m_folders.remember(kind, chosen);
    return chosen;
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

namespace {

// Progress shared between the worker and the window: the worker writes, a
// timer on the user-interface thread reads.
class SharedProgress : public WorkProgress {
  public:
    void report(int done, int total, const QString& text) override {
        const std::lock_guard lock(m_mutex);
        m_done = done;
        m_total = total;
        m_text = text;
    }
    bool cancelled() const override { return m_cancelled.load(); }
    void cancel() { m_cancelled = true; }
    void apply(QProgressDialog& dialog) const {
        const std::lock_guard lock(m_mutex);
        dialog.setMaximum(m_total > 0 ? m_total : 0);
        if (m_total > 0) dialog.setValue(std::min(m_done, m_total));
        if (!m_text.isEmpty()) dialog.setLabelText(m_text);
    }

  private:
    mutable std::mutex m_mutex;
    int m_done = 0;
    int m_total = 0;
    QString m_text;
    std::atomic<bool> m_cancelled{false};
};

}  // namespace

bool QtPlatform::run(const QString& title, const std::function<void(WorkProgress&)>& work) {
    QProgressDialog dialog(title, QStringLiteral("取消"), 0, 0, activeWindow());
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumWidth(360);

    SharedProgress progress;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    const auto cancel = [&] {
        if (progress.cancelled()) return;
        progress.cancel();
        dialog.setLabelText(QStringLiteral("正在取消……"));
        if (QPushButton* button = dialog.findChild<QPushButton*>()) button->setEnabled(false);
    };
    QObject::connect(&dialog, &QProgressDialog::canceled, cancel);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (finished.load()) {
            loop.quit();
            return;
        }
        // Escape and the window's close button cancel without the signal
        if (dialog.wasCanceled()) cancel();
        if (!progress.cancelled()) progress.apply(dialog);
    });
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    dialog.show();
    timer.start(50);
    loop.exec(QEventLoop::ExcludeSocketNotifiers);
    worker.join();
    timer.stop();
    dialog.hide();
    if (failure) std::rethrow_exception(failure);
    return !progress.cancelled();
}

}  // namespace wormpair
