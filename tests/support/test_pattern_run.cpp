#include "support/test_pattern_run.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "support/x_session.h"

TestPatternRun::~TestPatternRun() {
    stopProgram(m_pid);
}

bool TestPatternRun::start(const std::string& display,
                           const std::vector<test_pattern::WindowSpec>& specs,
                           std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    std::vector<std::string> argv = {QUILLET_TEST_PATTERN_BINARY};
    for (const auto& spec : specs) {
        argv.push_back("--window");
        argv.push_back(spec.argument());
    }
    m_pid = spawnProgram(argv, {"DISPLAY=" + display}, fds[1], STDERR_FILENO);
    close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string pending;
    while (m_windows.size() < specs.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fds[0], POLLIN, 0};
        char buffer[512];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(fds[0], buffer, sizeof buffer)) <= 0) {
            m_error = "the test pattern reported " + std::to_string(m_windows.size()) + " of " +
                      std::to_string(specs.size()) + " windows";
            break;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto newline = pending.find('\n'); newline != std::string::npos;
             newline = pending.find('\n')) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            PatternWindow w;
            char name[256] = {};
            if (std::sscanf(line.c_str(), "%u %255s %d,%d,%d,%d", &w.id, name, &w.x, &w.y, &w.width,
                            &w.height) == 6) {
                w.name = name;
                m_windows.push_back(w);
            }
        }
    }
    close(fds[0]);
    return m_windows.size() == specs.size();
}
