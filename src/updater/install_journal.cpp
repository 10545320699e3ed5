#include "updater/install_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "platform/file_replace.h"

namespace wormpair::updater {

namespace {

namespace fs = std::filesystem;

constexpr char kJournal[] = "journal";
constexpr char kUndoMark[] = "undo";
constexpr char kJournalHeader[] = "wormpair-install 1";
constexpr char kJournalEnd[] = "end";

fs::path stageOf(const fs::path& programDir) { return programDir / kInstallFolder; }

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw std::runtime_error(what + "：" + path.string() + "（" + std::strerror(error) + "）");
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The journal's plan, or nothing when there is no complete journal.
std::optional<InstallPlan> readJournal(const fs::path& programDir) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(stageOf(programDir) / kJournal, std::size_t(1) << 20);
    } catch (const FileReplaceError&) {
        return std::nullopt;
    }
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    if (!std::getline(in, line) || line != kJournalHeader) return std::nullopt;
    InstallPlan plan;
    while (std::getline(in, line)) {
        if (line == kJournalEnd) return plan;
        if (line.rfind("folder ", 0) == 0) {
            plan.folders.push_back(line.substr(7));
        } else if (line.rfind("replace ", 0) == 0) {
            plan.entries.push_back({line.substr(8), true});
        } else if (line.rfind("add ", 0) == 0) {
            plan.entries.push_back({line.substr(4), false});
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;  // never written without its end: not ours
}

// Whether a journal's path names a place inside the program directory once
// the links of its existing part are followed: a journal is only a file,
// and one naming "../x" or "/etc/x" must not move or delete files elsewhere.
bool isConfined(const fs::path& programDir, const std::string& relative) {
    const fs::path path(relative);
    if (relative.empty() || path.is_absolute()) return false;
    for (const fs::path& part : path) {
        if (part == "..") return false;
    }
    std::error_code error;
    const fs::path root = fs::canonical(programDir, error);
    if (error) return false;
    const fs::path resolved = fs::weakly_canonical(programDir / path, error);
    if (error) return false;
    const auto [end, unused] = std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
    return end == root.end() && resolved != root;
}

bool isConfined(const fs::path& programDir, const InstallPlan& plan) {
    for (const std::string& folder : plan.folders) {
        if (!isConfined(programDir, folder)) return false;
    }
    for (const InstallEntry& entry : plan.entries) {
        if (!isConfined(programDir, entry.path)) return false;
    }
    return true;
}

bool isPresent(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

void makeFolders(const fs::path& programDir, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        const fs::path path = programDir / folder;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            fail("无法创建文件夹", path, errno);
        }
    }
}

}  // namespace

fs::path stagedFile(const fs::path& programDir, std::size_t entry) {
    return stageOf(programDir) / ("new-" + std::to_string(entry));
}

fs::path replacedFile(const fs::path& programDir, std::size_t entry) {
    return stageOf(programDir) / ("old-" + std::to_string(entry));
}

void createStage(const fs::path& programDir) {
    removeStage(programDir);
    if (::mkdir(stageOf(programDir).c_str(), 0700) != 0) {
        fail("无法创建文件夹", stageOf(programDir), errno);
    }
    syncFolder(programDir);
}

void writeJournal(const fs::path& programDir, const InstallPlan& plan) {
    std::string text = std::string(kJournalHeader) + '\n';
    for (const std::string& folder : plan.folders) text += "folder " + folder + '\n';
    for (const InstallEntry& entry : plan.entries) {
        text += (entry.replaces ? "replace " : "add ") + entry.path + '\n';
    }
    text += std::string(kJournalEnd) + '\n';
    // the staged files and links reach the disk before the journal names them
    syncFolder(stageOf(programDir));
    replaceFile(stageOf(programDir) / kJournal, bytesOf(text));
}

void completeInstall(const fs::path& programDir, const InstallPlan& plan) {
    makeFolders(programDir, plan.folders);
    std::vector<fs::path> touched{programDir};
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const fs::path staged = stagedFile(programDir, i);
        const fs::path target = programDir / plan.entries[i].path;
        if (!isPresent(staged)) continue;  // in place already
        if (::rename(staged.c_str(), target.c_str()) != 0) {
            fail("无法将新文件放到位", target, errno);
        }
        touched.push_back(target.parent_path());
    }
    for (const fs::path& folder : touched) syncFolder(folder);
}

bool undoInstall(const fs::path& programDir, const InstallPlan& plan) {
    bool complete = true;
    try {
        replaceFile(stageOf(programDir) / kUndoMark, bytesOf(kUndoMark));
    } catch (const FileReplaceError&) {
        complete = false;
    }
    for (std::size_t i = plan.entries.size(); i-- > 0;) {
        const fs::path target = programDir / plan.entries[i].path;
        if (plan.entries[i].replaces) {
            // a link to the file replaced: renaming it back is a no-op while
            // the target still is that file
            const fs::path old = replacedFile(programDir, i);
            if (isPresent(old) && ::rename(old.c_str(), target.c_str()) != 0) complete = false;
        } else if (!isPresent(stagedFile(programDir, i)) && ::unlink(target.c_str()) != 0 &&
                   errno != ENOENT) {
            complete = false;
        }
    }
    for (auto folder = plan.folders.rbegin(); folder != plan.folders.rend(); ++folder) {
        const fs::path path = programDir / *folder;
        if (::rmdir(path.c_str()) != 0 && errno != ENOENT) complete = false;
    }
    syncFolder(programDir);
    return complete;
}

void removeStage(const fs::path& programDir) {
    const fs::path stage = stageOf(programDir);
    if (!isPresent(stage)) return;
    // without its journal a stage is never acted on again
    if (::unlink((stage / kJournal).c_str()) == 0) syncFolder(stage);
    std::error_code error;
    fs::remove_all(stage, error);
    syncFolder(programDir);
}

FolderLock::FolderLock(const fs::path& folder) {
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) ::close(m_fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

Recovery recoverLocked(const fs::path& programDir) {
    if (!isPresent(stageOf(programDir))) return Recovery::None;
    const std::optional<InstallPlan> plan = readJournal(programDir);
    try {
        if (!plan) {
            removeStage(programDir);
            return Recovery::Cleared;
        }
        if (!isConfined(programDir, *plan)) {
            removeStage(programDir);
            return Recovery::Refused;
        }
        if (isPresent(stageOf(programDir) / kUndoMark)) {
            if (!undoInstall(programDir, *plan)) return Recovery::Failed;
            removeStage(programDir);
            return Recovery::Undone;
        }
        completeInstall(programDir, *plan);
        removeStage(programDir);
        return Recovery::Completed;
    } catch (const std::exception&) {
        return Recovery::Failed;
    }
}

Recovery recoverInterruptedInstall(const fs::path& programDir) {
    if (!isPresent(stageOf(programDir))) return Recovery::None;
    const FolderLock lock(programDir);
    if (!lock.held()) return Recovery::Busy;
    return recoverLocked(programDir);
}

}  // namespace wormpair::updater
