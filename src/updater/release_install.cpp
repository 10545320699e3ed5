#include "updater/release_install.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

struct Planned {
    fs::path target;
    std::optional<std::vector<std::uint8_t>> backup;  // none: the file is new
    mode_t mode = 0;
};

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

// Puts back the first `count` files of plan in reverse order and removes
// the folders made; false when anything could not be put back.
bool putBack(const std::vector<Planned>& plan, std::size_t count,
             const std::vector<fs::path>& folders) {
    bool complete = true;
    for (std::size_t i = count; i-- > 0;) {
        const Planned& entry = plan[i];
        try {
            if (entry.backup) {
                replaceFile(entry.target, *entry.backup);
                if (::chmod(entry.target.c_str(), entry.mode) != 0) complete = false;
            } else if (::unlink(entry.target.c_str()) != 0 && errno != ENOENT) {
                complete = false;
            }
        } catch (const FileReplaceError&) {
            complete = false;
        }
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (::rmdir(it->c_str()) != 0 && errno != ENOENT) complete = false;
    }
    return complete;
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
    // written last: a v.txt naming the new version means the files are in
    items.push_back({kVersionFile, manifest.version.toUtf8() + '\n', false});

    std::vector<Planned> plan;
    std::vector<fs::path> folders;
    std::size_t reached = 0;  // files that may differ from before
    QString current;
    try {
        // every backup is read before anything is written
        for (const Item& item : items) {
            Planned entry{programDir / pathOf(item.path), std::nullopt, 0};
            current = item.path;
            if (const std::optional<struct stat> status = linkStatus(entry.target)) {
                entry.backup = readWholeFile(entry.target, std::size_t(kFileLimit) * 2);
                entry.mode = status->st_mode & 07777;
            }
            plan.push_back(std::move(entry));
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            current = items[i].path;
            fs::path folder = programDir;
            const QStringList parts = items[i].path.split('/');
            for (qsizetype p = 0; p + 1 < parts.size(); ++p) {
                folder /= pathOf(parts[p]);
                if (::mkdir(folder.c_str(), 0777) == 0) {
                    folders.push_back(folder);
                } else if (errno != EEXIST) {
                    throw FileReplaceError("Cannot make the folder " + folder.string());
                }
            }
            reached = i + 1;
            replaceFile(plan[i].target, bytesOf(items[i].bytes),
                        i + 1 < items.size() ? write : WriteFunction{});
            if (!plan[i].backup && items[i].executable &&
                ::chmod(plan[i].target.c_str(), 0777 & ~currentUmask()) != 0) {
                throw FileReplaceError("Cannot make the file executable");
            }
        }
    } catch (const std::exception&) {
        if (!putBack(plan, reached, folders)) {
            throw InstallError(InstallError::Kind::Damaged,
                               QString::fromUtf8("写入 ") + current +
                                   QString::fromUtf8(" 失败，且未能完全恢复原有文件"));
        }
        throw InstallError(InstallError::Kind::Restored,
                           QString::fromUtf8("写入 ") + current + QString::fromUtf8(" 失败"));
    }
}

DirectoryLock::DirectoryLock(const fs::path& directory) {
    m_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) unwritable(directory);
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
        throw InstallError(InstallError::Kind::Busy, QString::fromUtf8("另一个升级程序正在运行"));
    }
}

DirectoryLock::~DirectoryLock() {
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace wormpair::updater
