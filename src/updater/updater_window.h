#pragma once

#include <QDialog>

#include <cstdint>

#include "platform/platform.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace wormpair::updater {

class QtReleaseDownloader;

// The updater's small window: what it is doing, a progress bar and a cancel
// button; questions and results as message boxes over it. Every text shown
// as plain text (the release notes are not markup).
class UpdaterWindow : public QDialog, public MessageBoxes, public Processes {
    Q_OBJECT

  public:
    explicit UpdaterWindow(QtReleaseDownloader& downloader);

    void progress(const QString& text, std::int64_t done, std::int64_t total);

    void inform(const QString& text, const QString& caption) override;
    bool askYesNo(const QString& text) override;
    bool start(const QString& program, const QStringList& arguments) override;

  protected:
    void reject() override;

  private:
    QtReleaseDownloader& m_downloader;
    QLabel* m_status;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};

}  // namespace wormpair::updater
