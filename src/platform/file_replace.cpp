#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace wormpair {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error = 0) {
    std::string message = what + ": " + path.string();
    if (error != 0) message += " (" + std::string(std::strerror(error)) + ")";
    throw FileReplaceError(message);
}

// A write past the file-size limit would kill the process with SIGXFSZ and
// leave the temporary file behind; ignored, the write fails with EFBIG and
// is cleaned up like any other failure.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

mode_t currentUmask() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

// Where the bytes really go: the target, or the file a link target names.
struct Destination {
    fs::path path;
    bool exists = false;
    struct stat status {};
};

Destination destinationOf(const fs::path& target) {
    if (target.empty() || target.filename().empty()) fail("No file name to write", target);
    Destination destination;
    struct stat linkStatus {};
    if (::lstat(target.c_str(), &linkStatus) != 0) {
        if (errno != ENOENT) fail("Cannot examine the file", target, errno);
        destination.path = target;
        return destination;
    }
    destination.path = target;
    if (S_ISLNK(linkStatus.st_mode)) {
        std::error_code error;
        const fs::path resolved = fs::canonical(target, error);
        if (error) fail("The link names no file", target);
        destination.path = resolved;
    }
    if (::stat(destination.path.c_str(), &destination.status) != 0) {
        fail("Cannot examine the file", destination.path, errno);
    }
    destination.exists = true;
    if (!S_ISREG(destination.status.st_mode)) fail("Not a regular file", destination.path);
    // root passes access(); a file without any write bit is read-only to us all
    if (::access(destination.path.c_str(), W_OK) != 0 ||
        (destination.status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        fail("The file is read-only", destination.path);
    }
    return destination;
}

class TemporaryFile {
  public:
    explicit TemporaryFile(const fs::path& folder) {
        // short, so a target name near the 255-byte limit still leaves room
        std::string pattern = (folder / ".wp-XXXXXX").string();
        m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) fail("Cannot create a file in the folder", folder, errno);
        m_path = pattern;
    }
    ~TemporaryFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const fs::path& path() const { return m_path; }

    void close() {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) fail("Cannot finish writing", m_path, errno);
    }
    // After the rename the name belongs to the target.
    void release() { m_path.clear(); }

  private:
    int m_fd = -1;
    fs::path m_path;
};

void writeAll(int fd, std::span<const std::uint8_t> bytes, const WriteFunction& write,
              const fs::path& target) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = write ? write(fd, bytes.data() + done, bytes.size() - done)
                             : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("Cannot write the file", target, n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

void replaceFile(const fs::path& target, std::span<const std::uint8_t> bytes,
                 const WriteFunction& write) {
    ignoreFileSizeSignal();
    const Destination destination = destinationOf(target);
    fs::path folder = destination.path.parent_path();
    if (folder.empty()) folder = ".";

    // root may write into any folder: one without write bits is read-only to us all
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) == 0 &&
        (folderStatus.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        fail("The folder is read-only", folder);
    }
    TemporaryFile temporary(folder);
    if (destination.exists) {
        // owner first: fchown may clear the set-id bits that fchmod then restores
        if (::fchown(temporary.fd(), destination.status.st_uid, destination.status.st_gid) != 0 &&
            errno != EPERM) {
            fail("Cannot keep the owner of", destination.path, errno);
        }
        if (::fchmod(temporary.fd(), destination.status.st_mode & 07777) != 0) {
            fail("Cannot keep the permissions of", destination.path, errno);
        }
    } else if (::fchmod(temporary.fd(), 0666 & ~currentUmask()) != 0) {
        fail("Cannot set the permissions of", destination.path, errno);
    }
    writeAll(temporary.fd(), bytes, write, destination.path);
    if (::fsync(temporary.fd()) != 0) fail("Cannot flush the file", destination.path, errno);
    temporary.close();
    if (::rename(temporary.path().c_str(), destination.path.c_str()) != 0) {
        fail("Cannot replace the file", destination.path, errno);
    }
    temporary.release();
    // the rename itself reaches the disk with the folder
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) fail("Cannot open the file", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) fail("Cannot examine the file", path, errno);
    if (!S_ISREG(status.st_mode)) fail("Not a regular file", path);
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes) fail("The file is too large", path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (true) {
        if (done == bytes.size()) {
            // the file may have grown since fstat
            if (bytes.size() >= maxBytes) {
                std::uint8_t probe;
                const long n = ::read(fd, &probe, 1);
                if (n > 0) fail("The file is too large", path);
                break;
            }
            bytes.resize(std::min(maxBytes, bytes.size() + 65536));
        }
        const long n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("Cannot read the file", path, errno);
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
