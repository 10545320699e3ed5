#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>

namespace wormpair {

namespace {

namespace fs = std::filesystem;

// Why a call failed, in the user's words: the errno values a file can meet.
std::string causeOf(int error) {
    switch (error) {
        case ENOENT: return "不存在";
        case EACCES:
        case EPERM: return "没有权限";
        case ENOSPC: return "磁盘空间不足";
        case EDQUOT: return "超出了磁盘配额";
        case EFBIG: return "超出了文件大小限制";
        case EROFS: return "文件系统是只读的";
        case ENOTDIR: return "路径中有一段不是文件夹";
        case EISDIR: return "是文件夹";
        case ENAMETOOLONG: return "名称过长";
        case ELOOP: return "链接层数过多";
        case EIO: return "读写磁盘出错";
        case EBUSY:
        case ETXTBSY: return "正被使用";
        case EMFILE:
        case ENFILE: return "打开的文件过多";
        case EXDEV: return "不在同一文件系统上";
        case EEXIST: return "已存在";
        case EINVAL:
        case EOPNOTSUPP: return "文件系统不支持此操作";
        default: return "系统错误 " + std::to_string(error);
    }
}

// Throws the message what, its "%1" replaced by the path, with the cause of
// error appended when there is one.
[[noreturn]] void fail(const std::string& what, const fs::path& path, int error = 0) {
    std::string message = what;
    const std::size_t at = message.find("%1");
    if (at != std::string::npos) message.replace(at, 2, path.string());
    if (error != 0) message += "（" + causeOf(error) + "）";
    throw FileReplaceError(message);
}

// What a path that should be a regular file is instead.
[[noreturn]] void failNotRegular(const fs::path& path, const struct stat& status) {
    fail(S_ISDIR(status.st_mode) ? "“%1”是文件夹，不是普通文件"
                                 : "“%1”不是普通文件（是管道、套接字或设备）",
         path);
}

// Why files may not be made in folder, told apart: missing, not a folder,
// or without write permission.
[[noreturn]] void failFolder(const fs::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        if (errno == ENOENT) fail("文件夹“%1”不存在", folder);
        fail("无法访问文件夹“%1”", folder, errno);
    }
    if (!S_ISDIR(status.st_mode)) fail("“%1”不是文件夹", folder);
    fail("文件夹“%1”是只读的，不能在其中写入文件", folder);
}

// The umask now: Linux shows it in /proc/self/status, so it is read without
// setting it (umask() can only be read by changing it, which would give any
// file another thread creates meanwhile the wrong mode).
mode_t currentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status)) {
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        }
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask & 0777);
    }
    static std::mutex lock;
    const std::lock_guard<std::mutex> guard(lock);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Where the bytes really go: the target, or the file a link target names.
struct Destination {
    fs::path path;
    bool exists = false;
    struct stat status {};
};

// The kernel follows a link in a sticky world-writable folder (/tmp) only
// when the link belongs to the follower or to the folder's owner. Links are
// read here with readlink, which that rule does not guard, so it is applied
// by hand: otherwise another user's /tmp/out.xls -> /etc/passwd would have a
// save by root replace /etc/passwd.
bool mayFollow(const fs::path& link, const struct stat& linkStatus) {
    fs::path folder = link.parent_path();
    if (folder.empty()) folder = ".";
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0) return false;
    const bool shared = (folderStatus.st_mode & S_ISVTX) && (folderStatus.st_mode & S_IWOTH);
    return !shared || linkStatus.st_uid == ::geteuid() || linkStatus.st_uid == folderStatus.st_uid;
}

// The path a target names once its links are followed, one by one.
fs::path followLinks(const fs::path& target) {
    fs::path current = target;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            if (errno == ENOENT && hop > 0) fail("链接“%1”指向的文件不存在", target);
            fail("无法读取“%1”的文件信息", current, errno);
        }
        if (!S_ISLNK(status.st_mode)) return current;
        if (!mayFollow(current, status)) {
            fail("链接“%1”位于共享文件夹中且属于另一用户，不予跟随", current);
        }
        std::error_code error;
        const fs::path next = fs::read_symlink(current, error);
        if (error) fail("无法读取链接“%1”", current, error.value());
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    fail("“%1”的链接层数过多", target);
}

Destination destinationOf(const fs::path& target) {
    if (target.empty() || target.filename().empty()) fail("没有给出要写入的文件名：“%1”", target);
    Destination destination;
    struct stat linkStatus {};
    if (::lstat(target.c_str(), &linkStatus) != 0) {
        // a missing folder or a file in its place is told by the folder check
        if (errno != ENOENT && errno != ENOTDIR) fail("无法读取“%1”的文件信息", target, errno);
        destination.path = target;
        return destination;
    }
    destination.path = S_ISLNK(linkStatus.st_mode) ? followLinks(target) : target;
    if (::stat(destination.path.c_str(), &destination.status) != 0) {
        fail("无法读取“%1”的文件信息", destination.path, errno);
    }
    destination.exists = true;
    if (!S_ISREG(destination.status.st_mode)) failNotRegular(destination.path, destination.status);
    if (!mayBeWritten(destination.path)) {
        fail("文件“%1”是只读的", destination.path);
    }
    return destination;
}

// The owner, group and permission bits of the file replaced, as far as the
// process may set them. A writer that is not the owner cannot keep the owner;
// it keeps the group when it belongs to it, and otherwise gives the new group
// no more than everyone else had, so that no one gains access.
void keepOwnerAndMode(int fd, const struct stat& old, const fs::path& path) {
    mode_t mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        if (errno != EPERM) fail("无法保留“%1”的所有者", path, errno);
        if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            if (errno != EPERM) fail("无法保留“%1”的用户组", path, errno);
            const mode_t others = mode & S_IRWXO;
            mode = (mode & ~static_cast<mode_t>(S_IRWXG)) | (mode & S_IRWXG & (others << 3));
        }
    }
    // after fchown, which may clear the set-id bits that this restores
    if (::fchmod(fd, mode) != 0) fail("无法保留“%1”的权限", path, errno);
}

constexpr char kTemporaryPrefix[] = ".wp-";
// An unlocked temporary file this old is abandoned whatever process its
// name tells: that number may since belong to an unrelated process.
constexpr time_t kAbandonedAge = 60;

std::string temporaryName(unsigned random) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = kTemporaryPrefix + std::to_string(::getpid()) + '-';
    for (int i = 0; i < 6; ++i) {
        name += letters[random % (sizeof letters - 1)];
        random /= sizeof letters - 1;
    }
    return name;
}

unsigned randomNumber() {
    static std::mutex lock;
    static std::random_device device;
    const std::lock_guard<std::mutex> guard(lock);
    return device();
}

// The process a temporary name tells, if it tells one.
std::optional<pid_t> writerOf(const std::string& name) {
    const std::size_t start = sizeof kTemporaryPrefix - 1;
    const std::size_t dash = name.find('-', start);
    if (dash == std::string::npos || dash == start || dash - start > 10) return std::nullopt;
    pid_t pid = 0;
    for (std::size_t i = start; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid > 0 ? std::optional(pid) : std::nullopt;
}

bool processLives(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// The new content's file in the target's folder: unnamed where the file
// system allows, else named and locked for as long as it is open.
class TemporaryFile {
  public:
    explicit TemporaryFile(const fs::path& folder) : m_folder(folder) {
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd >= 0) return;
        // EISDIR or EOPNOTSUPP: the kernel or the file system has no unnamed files
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            const fs::path path = folder / temporaryName(randomNumber());
            m_fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (m_fd >= 0) {
                m_path = path;
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (m_fd < 0) fail("无法在文件夹“%1”中创建文件", folder, errno);
        // the lock tells a sweeping process that this writer still lives
        ::flock(m_fd, LOCK_EX | LOCK_NB);
    }
    ~TemporaryFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }

    // Puts the complete file in place of target.
    void renameOver(const fs::path& target) {
        if (m_path.empty()) linkIntoFolder();
        if (::rename(m_path.c_str(), target.c_str()) != 0) {
            fail("无法替换文件“%1”", target, errno);
        }
        m_path.clear();  // the name belongs to the target now
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) fail("无法完成写入“%1”", target, errno);
    }

    // Puts the complete file in place of target only where nothing is
    // there yet; false when something is.
    bool linkAs(const fs::path& target) {
        if (m_path.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
            int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno != EEXIST) {
                linked = ::linkat(m_fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH);
            }
            if (linked == 0) return true;
            if (errno == EEXIST) return false;
            linkIntoFolder();
        }
        if (::link(m_path.c_str(), target.c_str()) == 0) return true;
        if (errno == EEXIST) return false;
        fail("无法创建文件“%1”", target, errno);
    }

  private:
    // An unnamed file gets a name of the locked form just before its rename;
    // the descriptor already holds the lock.
    void linkIntoFolder() {
        ::flock(m_fd, LOCK_EX | LOCK_NB);
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path path = m_folder / temporaryName(randomNumber());
            int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
            // without /proc: the descriptor itself, where the process may
            if (linked != 0 && errno != EEXIST) {
                linked = ::linkat(m_fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
            }
            if (linked == 0) {
                m_path = path;
                return;
            }
            if (errno != EEXIST) fail("无法在文件夹“%1”中为新文件命名", m_folder, errno);
        }
        fail("无法在文件夹“%1”中为新文件命名", m_folder, EEXIST);
    }

    fs::path m_folder;
    int m_fd = -1;
    fs::path m_path;  // empty while the file has no name
};

void writeAll(int fd, std::span<const std::uint8_t> bytes, const WriteFunction& write,
              const fs::path& target) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = write ? write(fd, bytes.data() + done, bytes.size() - done)
                             : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("无法写入文件“%1”", target, n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

bool mayBeWritten(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return false;
    const int how = S_ISDIR(status.st_mode) ? W_OK | X_OK : W_OK;
    return ::access(path.c_str(), how) == 0 &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

void replaceFile(const fs::path& target, std::span<const std::uint8_t> bytes,
                 const WriteFunction& write) {
    ignoreFileSizeSignal();
    const Destination destination = destinationOf(target);
    fs::path folder = destination.path.parent_path();
    if (folder.empty()) folder = ".";

    if (std::error_code error; !fs::is_directory(folder, error) || !mayBeWritten(folder)) {
        failFolder(folder);
    }
    removeAbandonedTemporaries(folder);
    TemporaryFile temporary(folder);
    if (destination.exists) {
        keepOwnerAndMode(temporary.fd(), destination.status, destination.path);
    } else if (::fchmod(temporary.fd(), 0666 & ~currentUmask()) != 0) {
        fail("无法设置“%1”的权限", destination.path, errno);
    }
    writeAll(temporary.fd(), bytes, write, destination.path);
    if (::fsync(temporary.fd()) != 0) fail("无法把文件“%1”写入磁盘", destination.path, errno);
    temporary.renameOver(destination.path);
    // the rename itself reaches the disk with the folder
    syncFolder(folder);
}

bool createFileExclusively(const fs::path& target, std::span<const std::uint8_t> bytes) {
    ignoreFileSizeSignal();
    if (target.empty() || target.filename().empty()) fail("没有给出要写入的文件名：“%1”", target);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (std::error_code error; !fs::is_directory(folder, error) || !mayBeWritten(folder)) {
        failFolder(folder);
    }
    removeAbandonedTemporaries(folder);
    TemporaryFile temporary(folder);
    if (::fchmod(temporary.fd(), 0666 & ~currentUmask()) != 0) {
        fail("无法设置“%1”的权限", target, errno);
    }
    writeAll(temporary.fd(), bytes, {}, target);
    if (::fsync(temporary.fd()) != 0) fail("无法把文件“%1”写入磁盘", target, errno);
    if (!temporary.linkAs(target)) return false;
    syncFolder(folder);
    return true;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void giveOwnerAndModeOf(const fs::path& model, const fs::path& file) {
    struct stat status {};
    if (::stat(model.c_str(), &status) != 0) fail("无法读取“%1”的文件信息", model, errno);
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail("无法打开文件“%1”", file, errno);
    try {
        keepOwnerAndMode(fd, status, file);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

namespace {

// What the program directory ships and the data directory keeps: an export
// over one of them (a sheet saved as 1.xls) would break every later use.
constexpr const char* kProgramFileNames[] = {
    "1.xls", "1m.xls", "11.xls", "11m.xls", "111.xls", "1111.xls", "1111m.xls",
    "1.fods", "1m.fods", "11.fods", "11m.fods", "111.fods", "1111.fods", "1111m.fods",
    "db1.ccq", "db1.mdb", "db1.mdb-journal", "db1.mdb-wal", "db1.mdb-shm",
    "canshu.pdf", "jishu.pdf", "jingdu.pdf", "tuzhi.pdf", "xiuxing.pdf", "help.htm",
    "v.txt", "v-up.txt", "gg", "folders.txt"};
// Folders whose every file is the program's.
constexpr const char* kProgramSubfolders[] = {"modules", ".wp-install"};

bool isExecutableFile(const struct stat& status) {
    return S_ISREG(status.st_mode) && (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

bool isProgramFile(const fs::path& resolved, const struct stat* targetStatus,
                   const fs::path& folder) {
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) return false;
    for (const char* sub : kProgramSubfolders) {
        const fs::path inside = root / sub;
        const auto [end, unused] =
            std::mismatch(inside.begin(), inside.end(), resolved.begin(), resolved.end());
        if (end == inside.end()) return true;
    }
    if (resolved.parent_path() == root) {
        const std::string name = resolved.filename().string();
        for (const char* own : kProgramFileNames) {
            if (name == own) return true;
        }
        if (targetStatus && isExecutableFile(*targetStatus)) return true;
    }
    if (!targetStatus) return false;
    // the same file under another name (a hard link elsewhere)
    for (const auto& entry : fs::directory_iterator(root, error)) {
        struct stat status {};
        if (::stat(entry.path().c_str(), &status) != 0 || status.st_dev != targetStatus->st_dev ||
            status.st_ino != targetStatus->st_ino) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        if (isExecutableFile(status)) return true;
        for (const char* own : kProgramFileNames) {
            if (name == own) return true;
        }
    }
    return false;
}

}  // namespace

std::string programFileProblem(const fs::path& target, const std::vector<fs::path>& programFolders) {
    std::error_code error;
    const fs::path absolute = fs::absolute(target, error);
    if (error) return {};
    // links followed as far as they lead, so a link to db1.ccq is db1.ccq
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    struct stat status {};
    const bool exists = ::stat(absolute.c_str(), &status) == 0;
    for (const fs::path& folder : programFolders) {
        if (folder.empty()) continue;
        if (isProgramFile(error ? absolute : resolved, exists ? &status : nullptr, folder)) {
            return "“" + target.string() +
                   "”是程序自带或自用的文件（模板、出厂设置、参数数据库、手册或程序本身），"
                   "不能作为保存目标，请换一个文件名或文件夹";
        }
    }
    return {};
}

bool isTemporaryName(const std::string& name) {
    return name.size() > sizeof kTemporaryPrefix - 1 &&
           name.compare(0, sizeof kTemporaryPrefix - 1, kTemporaryPrefix) == 0;
}

int removeAbandonedTemporaries(const fs::path& folder) {
    int removed = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!isTemporaryName(name)) continue;
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != ::geteuid()) {
            continue;
        }
        const std::optional<pid_t> writer = writerOf(name);
        // a writer locks its file at once, so young unlocked ones are kept
        // only for the moment before that
        const bool gone = (writer && !processLives(*writer)) ||
                          status.st_mtime + kAbandonedAge < ::time(nullptr);
        if (!gone) continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        // unlocked: no process holds the file open for writing it
        if (::fstat(fd, &opened) == 0 && opened.st_ino == status.st_ino &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(entry.path().c_str()) == 0) {
            ++removed;
        }
        ::close(fd);
    }
    return removed;
}

void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) fail("无法打开文件“%1”", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) fail("无法读取“%1”的文件信息", path, errno);
    if (!S_ISREG(status.st_mode)) failNotRegular(path, status);
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes) fail("文件“%1”过大", path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (true) {
        if (done == bytes.size()) {
            // the file may have grown since fstat
            if (bytes.size() >= maxBytes) {
                std::uint8_t probe;
                const long n = ::read(fd, &probe, 1);
                if (n > 0) fail("文件“%1”过大", path);
                break;
            }
            bytes.resize(std::min(maxBytes, bytes.size() + 65536));
        }
        const long n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("无法读取文件“%1”", path, errno);
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void copyFileSafely(const fs::path& source, const fs::path& target, const WriteFunction& write) {
    const std::vector<std::uint8_t> bytes = readWholeFile(source);
    replaceFile(target, bytes, write);
}

}  // namespace wormpair
