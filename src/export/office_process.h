#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The operating-system side of driving an office program: finding it, giving
// it a user profile of its own and keeping its process on a short leash.

namespace wormpair::office {

class OfficeProcessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The program a name stands for: a path is taken as it is, a bare name is
// looked up in PATH. Empty when there is no such executable file.
std::optional<std::filesystem::path> findProgram(const std::string& nameOrPath);

// LibreOffice's "soffice" is a shell script that starts a launcher that in
// turn starts soffice.bin. Holding soffice.bin itself lets every signal we
// send (and the parent-death signal) reach the office, not a middleman.
std::filesystem::path officeBinaryFor(const std::filesystem::path& program);

// A folder used as an office's user profile, locked for as long as this
// object lives (an advisory lock on "lock" inside it, which the office
// process inherits, so the lock also lasts while it is still shutting down).
class ProfileFolder {
  public:
    // Locks `preferred` (created when missing). When another program holds
    // it, a fresh folder beside it is made and locked instead, and removed
    // again on destruction. Fresh folders left behind by a crashed program
    // are removed along the way. Throws OfficeProcessError.
    static ProfileFolder acquire(const std::filesystem::path& preferred);

    ProfileFolder(ProfileFolder&& other) noexcept;
    ProfileFolder& operator=(ProfileFolder&&) = delete;
    ~ProfileFolder();

    const std::filesystem::path& path() const { return m_path; }
    bool isTemporary() const { return m_temporary; }
    int lockDescriptor() const { return m_lock; }

  private:
    ProfileFolder(std::filesystem::path path, int lock, bool temporary);

    std::filesystem::path m_path;
    int m_lock = -1;
    bool m_temporary = false;
};

// A private folder (mode 0700), emptied first of what a crashed run may have
// left there, and removed with everything in it.
class WorkFolder {
  public:
    explicit WorkFolder(std::filesystem::path path);
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    ~WorkFolder();

    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// Removes the socket files "<prefix><pid>-..." in the folders that belong to
// this user and whose process <pid> is gone: an office killed with the
// program that started it cannot remove its end of their pipe. Returns how
// many were removed.
int removeAbandonedPipeFiles(const std::vector<std::filesystem::path>& folders,
                             const std::string& prefix);

// A child process in a process group of its own. The child gets SIGKILL
// when the thread that started it ends (so also when this program crashes
// or is killed), its standard streams are /dev/null, and it inherits no
// descriptor but `keepDescriptor` (as descriptor 3).
class OfficeProcess {
  public:
    OfficeProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& extraEnvironment, int keepDescriptor);
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;
    // Ends the process group like end(std::chrono::seconds(3)).
    ~OfficeProcess();

    pid_t pid() const { return m_pid; }

    // The exit status (a signal number n as 128 + n) once the process has
    // ended, nothing while it runs.
    std::optional<int> exitStatus();

    // Waits up to `grace` for the process to end by itself, then kills its
    // whole group, and collects it.
    void waitOrKill(std::chrono::milliseconds grace);

    // Asks the group to end (SIGTERM), then as waitOrKill.
    void end(std::chrono::milliseconds grace);

  private:
    void collect();

    pid_t m_pid = -1;
    bool m_collected = false;
    std::optional<int> m_status;
};

}  // namespace wormpair::office
