#include "export/office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace wormpair::office {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw OfficeProcessError(what + ": " + path.string() + " (" + std::strerror(error) + ")");
}

bool isExecutableFile(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Locks `folder`/lock without waiting; the descriptor, or -1 when another
// process holds the lock.
int tryLock(const fs::path& folder, int extraFlags) {
    const fs::path lockPath = folder / "lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | extraFlags, 0600);
    if (fd < 0) fail("Cannot open the profile lock", lockPath, errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK) fail("Cannot lock the profile", lockPath, error);
    return -1;
}

// Fresh profiles ("<base>-XXXXXX") whose owner is gone. A folder younger
// than a minute is left alone: its owner may not have locked it yet.
void removeAbandonedProfiles(const fs::path& preferred) {
    const std::string prefix = preferred.filename().string() + "-";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(preferred.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const fs::path lockPath = entry.path() / "lock";
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat status {};
        const bool old = ::fstat(fd, &status) == 0 && status.st_mtime + 60 < ::time(nullptr);
        if (old && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fs::remove_all(entry.path(), error);
        }
        ::close(fd);
    }
}

}  // namespace

int removeAbandonedPipeFiles(const std::vector<fs::path>& folders, const std::string& prefix) {
    int removed = 0;
    for (const fs::path& folder : folders) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            const std::size_t dash = name.find('-', prefix.size());
            if (dash == std::string::npos || dash == prefix.size() || dash - prefix.size() > 9) {
                continue;
            }
            pid_t pid = 0;
            bool digits = true;
            for (std::size_t i = prefix.size(); i < dash; ++i) {
                digits = digits && name[i] >= '0' && name[i] <= '9';
                pid = pid * 10 + (name[i] - '0');
            }
            struct stat status {};
            if (!digits || pid <= 0 || ::lstat(entry.path().c_str(), &status) != 0 ||
                !S_ISSOCK(status.st_mode) || status.st_uid != ::geteuid()) {
                continue;
            }
            const bool alive = ::kill(pid, 0) == 0 || errno == EPERM;
            if (!alive && ::unlink(entry.path().c_str()) == 0) ++removed;
        }
    }
    return removed;
}

std::optional<fs::path> findProgram(const std::string& nameOrPath) {
    if (nameOrPath.empty()) return std::nullopt;
    if (nameOrPath.find('/') != std::string::npos) {
        if (isExecutableFile(nameOrPath)) return fs::path(nameOrPath);
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / nameOrPath;
        if (isExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

fs::path officeBinaryFor(const fs::path& program) {
    std::error_code error;
    const fs::path real = fs::canonical(program, error);
    if (error) return program;
    if (real.filename() == "soffice") {
        const fs::path binary = real.parent_path() / "soffice.bin";
        if (isExecutableFile(binary)) return binary;
    }
    return real;
}

ProfileFolder::ProfileFolder(fs::path path, int lock, bool temporary)
    : m_path(std::move(path)), m_lock(lock), m_temporary(temporary) {}

ProfileFolder::ProfileFolder(ProfileFolder&& other) noexcept
    : m_path(std::move(other.m_path)), m_lock(other.m_lock), m_temporary(other.m_temporary) {
    other.m_lock = -1;
    other.m_temporary = false;
}

ProfileFolder::~ProfileFolder() {
    if (m_temporary) {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    if (m_lock >= 0) ::close(m_lock);
}

ProfileFolder ProfileFolder::acquire(const fs::path& preferred) {
    std::error_code error;
    fs::create_directories(preferred.parent_path(), error);
    if (::mkdir(preferred.c_str(), 0700) != 0 && errno != EEXIST) {
        fail("Cannot create the profile folder", preferred, errno);
    }
    removeAbandonedProfiles(preferred);
    if (const int fd = tryLock(preferred, 0); fd >= 0) return ProfileFolder(preferred, fd, false);

    std::string pattern = preferred.string() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        fail("Cannot create a profile folder", pattern, errno);
    ProfileFolder fresh(pattern, -1, true);
    fresh.m_lock = tryLock(fresh.m_path, O_EXCL);
    if (fresh.m_lock < 0) fail("Cannot lock the fresh profile", fresh.m_path, EWOULDBLOCK);
    return fresh;
}

WorkFolder::WorkFolder(fs::path path) : m_path(std::move(path)) {
    std::error_code error;
    fs::remove_all(m_path, error);
    if (::mkdir(m_path.c_str(), 0700) != 0) fail("Cannot create a work folder", m_path, errno);
}

WorkFolder::~WorkFolder() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

OfficeProcess::OfficeProcess(const fs::path& program, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& extraEnvironment, int keepDescriptor) {
    // Everything the child needs is built here: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<std::string> argumentStrings{program.string()};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentStrings) argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> environmentStrings;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        bool replaced = false;
        for (const std::string& extra : extraEnvironment) {
            replaced = replaced || extra.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!replaced) environmentStrings.push_back(variable);
    }
    environmentStrings.insert(environmentStrings.end(), extraEnvironment.begin(),
                              extraEnvironment.end());
    std::vector<char*> envp;
    for (std::string& variable : environmentStrings) envp.push_back(variable.data());
    envp.push_back(nullptr);

    const std::string programPath = program.string();
    const pid_t parent = ::getpid();
    const long maxDescriptor = ::sysconf(_SC_OPEN_MAX);

    const pid_t pid = ::fork();
    if (pid < 0) fail("Cannot start", program, errno);
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);  // the parent is already gone
        int keep = keepDescriptor >= 0 ? ::fcntl(keepDescriptor, F_DUPFD, 10) : -1;
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
        int firstToClose = 3;
        if (keep >= 0) {
            ::dup2(keep, 3);
            firstToClose = 4;
        }
        if (::syscall(SYS_close_range, firstToClose, ~0U, 0) != 0) {
            for (long fd = firstToClose; fd < maxDescriptor; ++fd) ::close(int(fd));
        }
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) {
            ::sigaction(signal, &standard, nullptr);
        }
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(programPath.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also here, so the group exists before we signal it
    m_pid = pid;
}

OfficeProcess::~OfficeProcess() {
    if (!m_collected) end(std::chrono::seconds(3));
}

std::optional<int> OfficeProcess::exitStatus() {
    if (m_status || m_collected) return m_status;
    siginfo_t info{};
    if (::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno == ECHILD) {  // someone else collected it
            m_collected = true;
            m_status = -1;
        }
        return m_status;
    }
    if (info.si_pid == 0) return std::nullopt;
    m_status = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    return m_status;
}

void OfficeProcess::waitOrKill(std::chrono::milliseconds grace) {
    if (m_collected) return;
    const auto deadline = Clock::now() + grace;
    while (!exitStatus() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_collected) return;
    if (!m_status) ::kill(-m_pid, SIGKILL);
    collect();
}

void OfficeProcess::end(std::chrono::milliseconds grace) {
    if (m_collected) return;
    if (!exitStatus()) ::kill(-m_pid, SIGTERM);
    waitOrKill(grace);
}

void OfficeProcess::collect() {
    siginfo_t info{};
    int waited = 0;
    while ((waited = ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOWAIT)) != 0 &&
           errno == EINTR) {
    }
    // The leader, not yet collected, keeps the group's number reserved: what
    // is left of the group can be killed without hitting a stranger.
    if (waited == 0) ::kill(-m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!m_status) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    m_collected = true;
}

}  // namespace wormpair::office
