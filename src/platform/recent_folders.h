#pragma once

#include <QString>

#include <map>

#include "platform/platform.h"

namespace wormpair {

// The folder each kind of file was last chosen in, kept in a small text file
// of the user's data directory ("kind=folder" lines) so that every dialog
// starts where the user last worked with that kind of file.
class RecentFolders {
  public:
    // file: where the folders are kept; empty keeps them for this run only.
    explicit RecentFolders(QString file = {});

    // The folder last used for kind; empty when none is known.
    QString folder(FileDialogs::Kind kind) const;
    // Remembers the folder of a chosen file. Failing to keep it on disk
    // costs only the convenience, so it is not reported.
    void remember(FileDialogs::Kind kind, const QString& chosenFile);

  private:
    QString m_file;
    std::map<FileDialogs::Kind, QString> m_folders;
};

}  // namespace wormpair
