#include "updater/release_install.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <optional>

#include <QFile>

namespace wormpair::updater {

namespace {

namespace fs = std::filesystem;

constexpr char kVersionFile[] = "v.txt";

fs::path pathOf(const QString& text) { return fs::path(QFile::encodeName(text).toStdString()); }

QString textOf(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::optional<struct stat> linkStatus(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return status;
}

[[noreturn]] void unwritable(const fs::path& path) {
    throw InstallError(InstallError::Kind::Unwritable,
                       QString::fromUtf8("没有写入权限：") + textOf(path));
}

[[noreturn]] void unsafe(const fs::path& path, const char* why) {
    throw InstallError(InstallError::Kind::UnsafePath, textOf(path) + QString::fromUtf8(why));
}

// Checks one target below programDir: no link anywhere on the way, folders
// where folders are needed, the file (when present) a writable regular
// file, and the folder it lands in writable.
void checkTarget(const fs::path& programDir, const QString& relative) {
    fs::path folder = programDir;
    const QStringList parts = relative.split('/');
    bool missing = false;
    for (qsizetype i = 0; i + 1 < parts.size() && !missing; ++i) {
        const fs::path next = folder / pathOf(parts[i]);
        const std::optional<struct stat> status = linkStatus(next);
        if (!status) {
            missing = true;  // made at install time, inside folder
            break;
        }
        if (S_ISLNK(status->st_mode)) unsafe(next, "：是一个链接");
        if (!S_ISDIR(status->st_mode)) unsafe(next, "：不是文件夹");
        folder = next;
    }
    const std::optional<struct stat> folderStatus = linkStatus(folder);
    if (!folderStatus || !mayBeWritten(folder)) unwritable(folder);
    if (missing) return;
    const fs::path target = programDir / pathOf(relative);
    const std::optional<struct stat> status = linkStatus(target);
    if (!status) return;
    if (S_ISLNK(status->st_mode)) unsafe(target, "：是一个链接");
    if (!S_ISREG(status->st_mode)) unsafe(target, "：不是普通文件");
    if (!mayBeWritten(target)) unwritable(target);
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

// Keeps what the file it replaces is (or makes a new executable one).
void giveMode(const fs::path& staged, const fs::path& target, bool replaces, bool executable) {
    if (replaces) {
        giveOwnerAndModeOf(target, staged);
    } else if (executable && ::chmod(staged.c_str(), 0777 & ~currentUmask()) != 0) {
        throw FileReplaceError("无法将新文件设为可执行");
    }
}

// A second name for the file replaced, so that it can be put back; a copy
// where the file system will not link it.
void keepReplaced(const fs::path& target, const fs::path& kept) {
    if (::link(target.c_str(), kept.c_str()) == 0) return;
    replaceFile(kept, readWholeFile(target, std::size_t(kFileLimit) * 2));
    giveOwnerAndModeOf(target, kept);
}

}  // namespace

void checkInstallable(const fs::path& programDir, const ReleaseManifest& manifest) {
    const std::optional<struct stat> status = linkStatus(programDir);
    if (!status || !S_ISDIR(status->st_mode) || !mayBeWritten(programDir)) {
        unwritable(programDir);
    }
    for (const ReleaseFile& file : manifest.files) {
        if (!unsafePathReason(file.path).isEmpty()) unsafe(pathOf(file.path), "：路径不安全");
        checkTarget(programDir, file.path);
    }
    checkTarget(programDir, kVersionFile);
}

void installRelease(const fs::path& programDir, const ReleaseManifest& manifest,
                    const std::vector<QByteArray>& contents, const WriteFunction& write) {
    struct Item {
        QString path;
        QByteArray bytes;
        bool executable;
    };
    std::vector<Item> items;
    for (std::size_t i = 0; i < manifest.files.size(); ++i) {
        items.push_back({manifest.files[i].path, contents.at(i), manifest.files[i].executable});
    }
    // renamed last: a v.txt naming the new version means the files are in
    items.push_back({kVersionFile, manifest.version.toUtf8() + '\n', false});

    // an install a crash interrupted is finished before this one starts
    if (recoverLocked(programDir) == Recovery::Failed) {
        throw InstallError(InstallError::Kind::Damaged,
                           QString::fromUtf8("上次中断的升级未能完成"));
    }
    InstallPlan plan;
    QString current;
    try {
        createStage(programDir);
        for (std::size_t i = 0; i < items.size(); ++i) {
            current = items[i].path;
            fs::path folder;
            const QStringList parts = items[i].path.split('/');
            for (qsizetype p = 0; p + 1 < parts.size(); ++p) {
                folder /= pathOf(parts[p]);
                const std::string name = folder.generic_string();
                if (!linkStatus(programDir / folder) &&
                    std::find(plan.folders.begin(), plan.folders.end(), name) == plan.folders.end()) {
                    plan.folders.push_back(name);
                }
            }
            const fs::path target = programDir / pathOf(items[i].path);
            const bool replaces = linkStatus(target).has_value();
            const fs::path staged = stagedFile(programDir, i);
            replaceFile(staged, bytesOf(items[i].bytes),
                        i + 1 < items.size() ? write : WriteFunction{});
            giveMode(staged, target, replaces, items[i].executable);
            if (replaces) keepReplaced(target, replacedFile(programDir, i));
            plan.entries.push_back({pathOf(items[i].path).generic_string(), replaces});
        }
        current.clear();
        writeJournal(programDir, plan);
    } catch (const std::exception&) {
        // nothing is in place yet
        removeStage(programDir);
        throw InstallError(InstallError::Kind::Restored,
                           QString::fromUtf8("写入 ") + current + QString::fromUtf8(" 失败"));
    }
    try {
        completeInstall(programDir, plan);
    } catch (const std::exception&) {
        if (!undoInstall(programDir, plan)) {
            throw InstallError(InstallError::Kind::Damaged,
                               QString::fromUtf8("安装新文件失败，且未能完全恢复原有文件"));
        }
        removeStage(programDir);
        throw InstallError(InstallError::Kind::Restored, QString::fromUtf8("安装新文件失败"));
    }
    removeStage(programDir);
}

DirectoryLock::DirectoryLock(const fs::path& directory) : m_lock(directory) {
    if (!linkStatus(directory)) unwritable(directory);
    if (!m_lock.held()) {
        throw InstallError(InstallError::Kind::Busy, QString::fromUtf8("另一个升级程序正在运行"));
    }
}

}  // namespace wormpair::updater
