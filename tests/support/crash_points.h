#pragma once

// Running a program as a user would, and killing it (SIGKILL) at the n-th
// call of a system call with strace's fault injection: the points where a
// write is flushed or a file is put in place.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace wormpair::testing {

struct ProgramRun {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string output;  // standard output and error, as they came
    bool killed() const { return status == 128 + SIGKILL; }
};

// Runs the command with standard input from /dev/null and waits for it.
// A file-size limit other than RLIM_INFINITY is set in the child only.
inline ProgramRun runProgram(const std::vector<std::string>& command,
                             rlim_t fileSizeLimit = RLIM_INFINITY) {
    int pipe[2];
    if (::pipe(pipe) != 0) return {};
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipe[1], 1);
        ::dup2(pipe[1], 2);
        ::close(pipe[0]);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        if (fileSizeLimit != RLIM_INFINITY) ::setrlimit(RLIMIT_FSIZE, &limit);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    ProgramRun run;
    char buffer[4096];
    for (long n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, std::size_t(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// The command under strace, killed at the n-th call of syscall.
inline std::vector<std::string> killedAt(const std::string& syscall, int n,
                                         const std::vector<std::string>& command) {
    std::vector<std::string> traced = {"strace",
                                       "-f",
                                       "-qq",
                                       "-o",
                                       "/dev/null",
                                       "-e",
                                       "trace=" + syscall,
                                       "-e",
                                       "inject=" + syscall + ":signal=KILL:when=" +
                                           std::to_string(n),
                                       "--"};
    traced.insert(traced.end(), command.begin(), command.end());
    return traced;
}

// Whether strace is installed and may trace (a container may forbid it).
inline bool straceWorks() {
    return runProgram({"strace", "-qq", "-o", "/dev/null", "true"}).status == 0;
}

// Where a write is flushed to the disk or a file is put in place.
inline const std::vector<std::string> kWritePoints = {
    "fsync", "fdatasync", "rename", "renameat", "renameat2", "link", "linkat"};

// For each write point and n = 1, 2, ...: prepare(), the command killed at
// the n-th call, check(where) — until the command runs to its end
// unkilled; then check("completed"). Returns the number of kill points met.
inline int forEveryKillPoint(const std::vector<std::string>& command,
                             const std::function<void()>& prepare,
                             const std::function<void(const std::string& where)>& check) {
    int points = 0;
    for (const std::string& syscall : kWritePoints) {
        for (int n = 1;; ++n) {
            prepare();
            const ProgramRun run = runProgram(killedAt(syscall, n, command));
            const std::string where =
                run.killed() ? syscall + " #" + std::to_string(n) : "completed";
            check(where);
            if (!run.killed()) break;
            ++points;
        }
    }
    return points;
}

}  // namespace wormpair::testing
