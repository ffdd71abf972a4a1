#pragma once
// A private X server (Xvfb on a free display number) for one test, optionally with the
// openbox window manager. Everything started is stopped by the destructor.

#include <sys/types.h>

#include <string>

#include "support/child_process.h"  // spawnProgram and stopProgram, which tests reach from here

struct XSessionOptions {
    int width = 1280;
    int height = 800;
    bool windowManager = false;
    int depth = 24;
    // Xvfb's own default, and the usual headless set-up: the server resets whenever its last
    // client disconnects. Off unless asked for, so that tests may connect and go as they like.
    bool resetWhenLastClientLeaves = false;
};

class XSession {
public:
    explicit XSession(XSessionOptions options = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return !m_display.empty(); }
    const std::string& display() const { return m_display; }  // ":N"
    const std::string& error() const { return m_error; }
    // Ends the X server now, as a crash or a logout would for its clients.
    void stopServer();

private:
    bool startServer(const XSessionOptions& options);
    bool startWindowManager();

    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    std::string m_display;
    std::string m_error;
};
