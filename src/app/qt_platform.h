#pragma once

#include "platform/platform.h"
#include "platform/recent_folders.h"

namespace wormpair {

// The real desktop: Qt's message boxes and file dialogs, QProcess,
// QDesktopServices and Qt Network. The progress window is the window's own
// (TForm2).
class QtPlatform : public MessageBoxes,
                   public FileDialogs,
                   public Processes,
                   public Documents,
                   public Downloads,
                   public BackgroundWork {
  public:
    // The caption of plain message boxes.
    static const char* const kProgramTitle;
    // Downloads larger than this are refused.
    static constexpr qint64 kDownloadLimit = 64 * 1024;

    // foldersFile keeps the folder each kind of file was last chosen in;
    // programFolders (the program and data directories) hold the program's
    // own files, which a save dialog neither starts in nor answers with.
    explicit QtPlatform(QString foldersFile = {}, QStringList programFolders = {})
        : m_folders(std::move(foldersFile)), m_programFolders(std::move(programFolders)) {}

    void inform(const QString& text, const QString& caption) override;
    bool askYesNo(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    QString openFileName(Kind kind, const QString& filter) override;
    QString saveFileName(Kind kind, const QString& filter, const QString& proposedName) override;
    bool start(const QString& program, const QStringList& arguments) override;
    bool open(const QString& path) override;
    bool download(const QString& address, const QString& localFile,
                  std::chrono::milliseconds timeout) override;
    bool run(const QString& title, const std::function<void(WorkProgress&)>& work) override;

    Platform platform(ProgressWindow& progress, SpreadsheetApplications& spreadsheets) {
        return {*this, *this, *this, *this, *this, progress, spreadsheets, *this};
    }

  private:
    RecentFolders m_folders;
    QStringList m_programFolders;
};

}  // namespace wormpair
