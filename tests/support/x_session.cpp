#include "support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "support/x_waiter.h"

extern char** environ;

pid_t spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   int stdoutFd, int stderrFd) {
    // Each change is "NAME=VALUE" (set) or "NAME" (unset).
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
    posix_spawn_file_actions_adddup2(&actions, stdoutFd >= 0 ? stdoutFd : devNull, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd >= 0 ? stderrFd : devNull, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(devNull);
    return rc == 0 ? pid : -1;
}

void stopProgram(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

XSession::XSession(XSessionOptions options) {
    if (!startServer(options)) return;
    if (options.windowManager && !startWindowManager()) m_display.clear();
}

XSession::~XSession() {
    stopProgram(m_windowManager);
    stopProgram(m_server);
}

bool XSession::startServer(const XSessionOptions& options) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    // Xvfb picks a free display number itself and writes it to the descriptor we give it.
    const int childFd = dup(fds[1]);  // without O_CLOEXEC, so that Xvfb inherits it
    const std::string screen =
        std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
    std::vector<std::string> argv{"Xvfb",      "-displayfd", std::to_string(childFd),
                                  "-screen",   "0",          screen,
                                  "-nolisten", "tcp",        "+extension",
                                  "MIT-SHM"};
    if (!options.resetWhenLastClientLeaves) argv.push_back("-noreset");
    m_server = spawnProgram(argv, {});
    close(childFd);
    close(fds[1]);
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not report a display number";
        return false;
    }
    m_display = ":" + number;
    return true;
}

bool XSession::startWindowManager() {
    XWaiter waiter(m_display);
    if (!waiter.ok()) return false;
    waiter.watchRootProperties();
    m_windowManager = spawnProgram({"openbox", "--sm-disable"}, {"DISPLAY=" + m_display}, -1, -1);
    if (!waiter.waitForRootProperty("_NET_SUPPORTING_WM_CHECK", std::chrono::seconds(10))) {
        m_error = "openbox did not start";
        return false;
    }
    // Openbox 3.6 announces itself before its event loop runs, and a window mapped in that gap
    // may stay unmanaged for many seconds. It runs once it answers a frame-extents request.
    xcb_connection_t* c = waiter.connection();
    const xcb_window_t probe = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, waiter.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    const xcb_atom_t request = waiter.atom("_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = waiter.atom("_NET_FRAME_EXTENTS");
    for (int attempt = 0; attempt < 100; ++attempt) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = probe;
        message.type = request;
        xcb_send_event(c, 0, waiter.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        const bool answered = waiter.waitFor(
            [&](const xcb_generic_event_t* e) {
                if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
                const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
                return p->window == probe && p->atom == extents;
            },
            std::chrono::milliseconds(100));
        if (answered) {
            xcb_destroy_window(c, probe);
            xcb_flush(c);
            return true;
        }
    }
    m_error = "openbox does not answer";
    return false;
}
