#pragma once

#include <filesystem>
#include <string>
#include <vector>

// An install that is all or nothing across files. Every new file is first
// staged whole in a folder of the program directory, beside a link to the
// file it replaces; then a journal naming them all is written, and only then
// are the staged files renamed into place, the version file last. A process
// killed before the journal leaves the program as it was; one killed after
// it leaves a journal from which the next start of the program or the
// updater completes the install (or, if it was being undone, undoes it)
// before it does anything else.

namespace wormpair::updater {

// Below the program directory; the release manifest refuses ".wp-" names.
inline constexpr char kInstallFolder[] = ".wp-install";

struct InstallEntry {
    std::string path;  // relative to the program directory, '/' separated
    bool replaces = false;  // a file was there before
};

struct InstallPlan {
    std::vector<std::string> folders;   // made by the install, parents first
    std::vector<InstallEntry> entries;  // renamed into place in this order
};

// Where the stage keeps entry i's new content and the file it replaces.
std::filesystem::path stagedFile(const std::filesystem::path& programDir, std::size_t entry);
std::filesystem::path replacedFile(const std::filesystem::path& programDir, std::size_t entry);

// Makes an empty stage (removing what an unfinished one left).
void createStage(const std::filesystem::path& programDir);

// Writes the journal: from now on the install is completed after a crash.
void writeJournal(const std::filesystem::path& programDir, const InstallPlan& plan);

// Renames into place every staged file still in the stage, making folders
// as needed. Throws std::runtime_error when one cannot be.
void completeInstall(const std::filesystem::path& programDir, const InstallPlan& plan);

// Marks the install as being undone (a crash then undoes it), puts back
// every replaced file, removes every new one and the folders made. False
// when anything could not be put back.
bool undoInstall(const std::filesystem::path& programDir, const InstallPlan& plan);

// Removes the journal first, then the stage with whatever it holds.
void removeStage(const std::filesystem::path& programDir);

// A lock held on a folder while the object lives; not waited for.
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;

    bool held() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

enum class Recovery {
    None,       // no install was interrupted
    Cleared,    // one interrupted before its journal: nothing had changed
    Completed,  // one interrupted after its journal: now complete
    Undone,     // one interrupted while being undone: now undone
    Busy,       // an updater works on the directory now
    Failed,     // it could not be finished; tried again at the next start
    Refused,    // its journal named a path outside the program directory:
                // nothing done, the journal removed
};

// What a program tells the user for Refused.
inline constexpr char kRefusedJournalText[] =
    "中断的升级记录中有程序文件夹以外的路径，已拒绝执行并删除该记录";

// What every program calls before anything else.
Recovery recoverInterruptedInstall(const std::filesystem::path& programDir);

// As recoverInterruptedInstall, for a caller that holds the directory lock.
Recovery recoverLocked(const std::filesystem::path& programDir);

}  // namespace wormpair::updater
