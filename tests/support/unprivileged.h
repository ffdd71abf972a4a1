#pragma once
// Runs a piece of a test as an ordinary user. Root may write into read-only folders and read
// unreadable files, so a check of how the product meets a permission it lacks would prove
// nothing as root, which is how CI runs the suite. The piece runs in a forked child that,
// when this process is root, becomes the user nobody (65534) before it starts.

#include <grp.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "support/child_process.h"

inline constexpr uid_t kNobody = 65534;

struct UnprivilegedRun {
    bool ran = false;     // the child ran `body` as an ordinary user and exited normally
    int status = -1;      // what `body` returned
    std::string problem;  // why it did not run, when it did not
};

// `body` runs in the child and returns a status from 0 to 99; it must not use the test
// framework's assertions, which would stay in the child.
inline UnprivilegedRun runUnprivileged(const std::function<int()>& body) {
    constexpr int kCannotDrop = 100;
    UnprivilegedRun run;
    const pid_t pid = fork();
    if (pid < 0) {
        run.problem = "fork failed";
        return run;
    }
    if (pid == 0) {
        if (geteuid() == 0) {
            // Groups first: once the user is nobody, it may no longer change them.
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                _exit(kCannotDrop);
            }
        }
        if (geteuid() == 0 || getuid() == 0) _exit(kCannotDrop);
        _exit(body());
    }
    const std::optional<int> waited = waitForWaitStatus(pid, std::chrono::seconds(30));
    if (!waited) {
        kill(pid, SIGKILL);
        waitForWaitStatus(pid, std::chrono::seconds(10));
        run.problem = "the child did not end within 30 s";
        return run;
    }
    const int status = *waited;
    if (!WIFEXITED(status)) {
        run.problem = "the child ended by signal " + std::to_string(WTERMSIG(status));
    } else if (WEXITSTATUS(status) == kCannotDrop) {
        run.problem = "the child could not become an ordinary user";
    } else {
        run.ran = true;
        run.status = WEXITSTATUS(status);
    }
    return run;
}
