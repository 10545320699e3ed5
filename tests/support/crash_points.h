#pragma once

// Running a program as a user would, and killing it (SIGKILL) at the n-th
// call of a system call with strace's fault injection: the points where a
// write is flushed or a file is put in place.

#include <poll.h>
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
    std::string out, err;
    bool killed() const { return status == 128 + SIGKILL; }
};

// Runs the command with standard input from /dev/null and waits for it.
// A file-size limit other than RLIM_INFINITY is set in the child only.
inline ProgramRun runProgram(const std::vector<std::string>& command,
                             rlim_t fileSizeLimit = RLIM_INFINITY) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        if (fileSizeLimit != RLIM_INFINITY) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ProgramRun run;
    // both pipes drained as they fill, so a child writing much never blocks
    pollfd pipes[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    while (pipes[0].fd >= 0 || pipes[1].fd >= 0) {
        if (::poll(pipes, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (pipes[i].fd < 0 || pipes[i].revents == 0) continue;
            char buffer[4096];
            const long n = ::read(pipes[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? run.out : run.err).append(buffer, std::size_t(n));
            } else {
                pipes[i].fd = -1;  // poll ignores it from now on
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
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
