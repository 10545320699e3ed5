// Project11.exe: the online upgrade, started by the main program from the
// program directory without arguments.

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

#include "platform/file_replace.h"
#include "updater/install_journal.h"
#include "updater/qt_release_downloader.h"
#include "updater/release_signature.h"
#include "updater/release_update.h"
#include "updater/updater_window.h"

int main(int argc, char* argv[]) {
    wormpair::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    using namespace wormpair::updater;
    // an install a crash interrupted is completed (or undone) first
    if (recoverInterruptedInstall(QFile::encodeName(QApplication::applicationDirPath()).toStdString()) ==
        Recovery::Refused) {
        std::fprintf(stderr, "Project11: %s\n", kRefusedJournalText);
    }

    UpdateSettings settings;
    settings.programDir = QApplication::applicationDirPath();
    settings.serverUrl = QString::fromUtf8(WORMPAIR_SERVER_URL);
    settings.publicKey =
        keyFromHex(QString::fromLatin1(WORMPAIR_UPDATE_PUBLIC_KEY), kPublicKeyBytes);

    QtReleaseDownloader downloader;
    UpdaterWindow window(downloader);
    const UpdateSeams seams{downloader, window, window,
                            [&window](const QString& text, std::int64_t done, std::int64_t total) {
                                window.progress(text, done, total);
                            }};
    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        const UpdateOutcome outcome = runUpdate(settings, seams);
        status = outcome == UpdateOutcome::Installed || outcome == UpdateOutcome::UpToDate ||
                         outcome == UpdateOutcome::Declined
                     ? 0
                     : 1;
        // exit, not quit: quit asks the windows to close, and this one refuses
        // while it runs
        window.hide();
        QApplication::exit(status);
    });
    window.show();
    QApplication::exec();
    return status;
}
