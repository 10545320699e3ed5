#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/file_replace.h"
#include "updater/install_journal.h"
#include "updater/release_manifest.h"

// Putting a verified release into the program directory, all or nothing:
// every file and then v.txt staged whole, a journal written, then each
// renamed into place (see install_journal.h). On a failure before the
// journal nothing has changed; after it, every file put in place is put
// back byte for byte and every folder made is removed again. A crash is
// finished by the next start of the program or the updater.

namespace wormpair::updater {

class InstallError : public std::runtime_error {
  public:
    enum class Kind {
        Unwritable,  // checked before anything was written
        UnsafePath,  // a link or a non-file where the release puts a file
        Busy,        // another updater works on the directory
        Restored,    // a write failed; everything is as before
        Damaged,     // a write failed and putting a file back failed too
    };
    InstallError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message) {}
    Kind kind() const { return m_kind; }
    const QString& message() const { return m_message; }

  private:
    Kind m_kind;
    QString m_message;
};

// Throws InstallError (Unwritable, UnsafePath) when the release cannot go
// into programDir; writes nothing.
void checkInstallable(const std::filesystem::path& programDir, const ReleaseManifest& manifest);

// contents[i] holds the verified bytes of manifest.files[i]. Writes the
// files, then v.txt with the manifest's version. write is used for the
// release's own files (tests make it fail part way); putting files back
// always uses the plain write. Throws InstallError (Restored, Damaged).
void installRelease(const std::filesystem::path& programDir, const ReleaseManifest& manifest,
                    const std::vector<QByteArray>& contents, const WriteFunction& write = {});

// Holds an exclusive lock on the program directory while it lives; throws
// InstallError (Busy) when another updater holds it.
class DirectoryLock {
  public:
    explicit DirectoryLock(const std::filesystem::path& directory);
    DirectoryLock(DirectoryLock&&) noexcept = default;
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

  private:
    FolderLock m_lock;
};

}  // namespace wormpair::updater
