#include "support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "support/x_waiter.h"

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
    const std::string screen = std::to_string(options.width) + "x" +
                               std::to_string(options.height) + "x" + std::to_string(options.depth);
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

void XSession::stopServer() {
    stopProgram(m_server);
    m_server = -1;
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
        waiter.sendToWindowManager(probe, request);
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
