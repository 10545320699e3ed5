#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// The one way this program replaces a file on disk.
//
// The new content goes into a temporary file created exclusively (never
// through an existing name or link) in the target's own folder, is flushed to
// the disk and only then renamed over the target. On any failure the
// temporary file is removed and the target is exactly as before.
//
// - The temporary file has no name while it is written (O_TMPFILE) where the
//   file system allows; it is linked under a name only for the rename, so a
//   process killed meanwhile leaves nothing. Where it must be named it is
//   ".wp-<pid>-XXXXXX", locked (flock) by its writer while it is written;
//   the next write into the folder removes such files of this user that
//   are unlocked and either older than a minute or of a process gone.
//
// - An existing target keeps its permission bits (and, where the process may
//   set them, its owner and group; a writer that cannot keep the group gives
//   the new one no more than others had); a new file gets 0666 less the
//   umask in force.
// - A symbolic link as the target is followed: the file it names is
//   replaced and the link itself stays a link. A dangling link is refused,
//   and so is a link in a sticky world-writable folder (/tmp) that belongs
//   neither to this user nor to the folder's owner, as the kernel would.
// - A target that is not a regular file (a folder, FIFO, device) or that
//   may not be written (read-only, or no write permission), or a folder
//   without any write bit, is refused and left alone.

namespace wormpair {

class FileReplaceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Writes like ::write: the bytes written, or -1 with errno set. Tests pass
// one that fails part way.
using WriteFunction = std::function<long(int fd, const void* data, std::size_t size)>;

// Replaces (or creates) target with bytes; throws FileReplaceError.
void replaceFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                 const WriteFunction& write = {});

// Writes bytes as replaceFile does, but puts them in place only where no
// file of that name exists (a hard link, which never replaces): false, and
// nothing written, when one does. Throws FileReplaceError.
bool createFileExclusively(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

// Why a save or export the user chose may not write target: it is one of
// the program's own files in one of programFolders (the program directory,
// the data directory), by name once links are followed or as the same file
// (device and inode) under another name. Those are what the program ships
// and keeps there (templates, db1.ccq, db1.mdb and its journals, manuals,
// help, v.txt, gg, v-up.txt, the programs, the models' module) and anything
// the updater stages. A Chinese message naming target (UTF-8); empty when
// target may be written.
std::string programFileProblem(const std::filesystem::path& target,
                               const std::vector<std::filesystem::path>& programFolders);

// Whether this process may write the file, or create files in the folder:
// access() agrees and the mode has a write bit. Root passes access() for
// everything, so a file or folder without any write bit counts as read-only
// to us all, as its owner meant it.
bool mayBeWritten(const std::filesystem::path& path);

// Reads a whole regular file; throws FileReplaceError. maxBytes bounds what
// is read (a larger file is refused).
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path,
                                        std::size_t maxBytes = std::size_t(1) << 30);

// Gives file the owner, group and permission bits of model as replaceFile
// gives a replacement those of the file it replaces. Throws FileReplaceError.
void giveOwnerAndModeOf(const std::filesystem::path& model, const std::filesystem::path& file);

// Flushes a folder's entries (names made, renamed or removed) to the disk.
void syncFolder(const std::filesystem::path& folder);

// Removes from folder the temporary files of replaceFile that a killed
// process left: this user's, unlocked, and older than a minute or named by
// a process that is gone. Returns how many.
int removeAbandonedTemporaries(const std::filesystem::path& folder);

// Whether name is one replaceFile gives its temporary files.
bool isTemporaryName(const std::string& name);

// A write past the file-size limit would kill the process with SIGXFSZ;
// ignored, the write fails with EFBIG and the failure is reported. Every
// program calls this first; replaceFile calls it too.
void ignoreFileSizeSignal();

// Copies source over target through replaceFile.
void copyFileSafely(const std::filesystem::path& source, const std::filesystem::path& target,
                    const WriteFunction& write = {});

}  // namespace wormpair
