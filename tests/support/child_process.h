#pragma once
// Starting the programs a test needs, waiting for their end on a pidfd (no sleep loop), and
// running one to its end with its output collected.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

// A standard stream that a program is started without, as `2>&-` does.
inline constexpr int kClosedStream = -2;

// Starts a program with an environment change, each "NAME=VALUE" (set) or "NAME" (unset), its
// standard input on /dev/null and its output on the given descriptors (-1: /dev/null,
// kClosedStream: closed). Returns its pid, or -1.
inline pid_t spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          int stdoutFd = -1, int stderrFd = -1) {
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        bool changed = false;
        for (const std::string& change : env) changed |= nameOf(change) == nameOf(entry);
        if (!changed) envStrings.push_back(entry);
    }
    for (const std::string& change : env) {
        if (change.find('=') != std::string::npos) envStrings.push_back(change);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&actions, devNull, STDIN_FILENO);
    const auto output = [&](int fd, int target) {
        if (fd == kClosedStream) {
            posix_spawn_file_actions_addclose(&actions, target);
        } else {
            posix_spawn_file_actions_adddup2(&actions, fd >= 0 ? fd : devNull, target);
        }
    };
    output(stdoutFd, STDOUT_FILENO);
    output(stderrFd, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(devNull);
    return rc == 0 ? pid : -1;
}

// True once the process has ended (a zombie counts), whoever its parent is: its pidfd becomes
// readable at the exit. A pid that no longer exists has ended long ago.
inline bool waitForEnd(pid_t pid, std::chrono::milliseconds timeout) {
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return errno == ESRCH;
    pollfd pfd{fd, POLLIN, 0};
    int ready = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        ready = poll(&pfd, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready >= 0 || errno != EINTR) break;
    }
    close(fd);
    return ready > 0;
}

// Waits for a child of ours to end and reaps it; returns waitpid's status word, or nothing
// when the child still runs after the timeout.
inline std::optional<int> waitForWaitStatus(pid_t pid, std::chrono::milliseconds timeout) {
    if (pid <= 0 || !waitForEnd(pid, timeout)) return std::nullopt;
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (reaped != pid) return std::nullopt;
    return status;
}

// The same, as the exit status a parent reads (the low eight bits), or 128 + the signal for a
// child ended by a signal.
inline std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const std::optional<int> status = waitForWaitStatus(pid, timeout);
    if (!status) return std::nullopt;
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
}

// Ends a child of ours: SIGTERM, two seconds' grace, then SIGKILL; reaps it either way.
inline void stopProgram(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (waitForExit(pid, std::chrono::seconds(2))) return;
    kill(pid, SIGKILL);
    waitForExit(pid, std::chrono::seconds(10));
}

struct ProgramOutput {
    int status = -1;  // exit status, or -1 when the program did not end in time or by a signal
    QByteArray bytes;
};

// Runs a program to its end and collects its standard output (and error, when asked). A
// program still writing or running at the timeout is stopped.
inline ProgramOutput runProgram(const std::vector<std::string>& argv,
                                const std::vector<std::string>& env, bool withStandardError = false,
                                std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    using Clock = std::chrono::steady_clock;
    ProgramOutput out;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return out;
    const pid_t pid = spawnProgram(argv, env, fds[1], withStandardError ? fds[1] : -1);
    close(fds[1]);
    const auto deadline = Clock::now() + timeout;
    char buffer[65536];
    bool ended = false;
    while (pid > 0 && !ended) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd pfd{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) out.bytes.append(buffer, n);
        ended = n == 0;
    }
    close(fds[0]);
    if (pid <= 0) return out;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const std::optional<int> status =
        ended ? waitForWaitStatus(pid, std::max(left, std::chrono::milliseconds(0))) : std::nullopt;
    if (!status) {
        stopProgram(pid);
        return out;
    }
    out.status = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    return out;
}
