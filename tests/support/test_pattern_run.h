#pragma once
// Runs quillet_test_pattern on a display and waits until all its windows are on screen.
// The program is stopped by the destructor.

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/test_pattern.h"

struct PatternWindow {
    xcb_window_t id = 0;
    std::string name;
    int x = 0;  // the client's top-left corner on the root window, as it was mapped
    int y = 0;
    int width = 0;
    int height = 0;
};

class TestPatternRun {
public:
    TestPatternRun() = default;
    ~TestPatternRun();
    TestPatternRun(const TestPatternRun&) = delete;
    TestPatternRun& operator=(const TestPatternRun&) = delete;

    // Starts the program and returns once every window reported itself, false on a timeout.
    bool start(const std::string& display, const std::vector<test_pattern::WindowSpec>& specs,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
    const std::vector<PatternWindow>& windows() const { return m_windows; }
    const std::string& error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::vector<PatternWindow> m_windows;
    std::string m_error;
};
