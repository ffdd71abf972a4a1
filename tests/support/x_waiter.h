#pragma once
// Waits for X events on a private connection instead of sleeping: windows mapped on the root,
// root properties set.

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <string>

class XWaiter {
public:
    explicit XWaiter(const std::string& display);
    ~XWaiter();
    XWaiter(const XWaiter&) = delete;
    XWaiter& operator=(const XWaiter&) = delete;

    bool ok() const { return m_connection != nullptr; }
    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    xcb_atom_t atom(const char* name);

    void watchRootProperties();
    void watchRootChildren();  // map and configure of top-level windows

    // Returns true when `match` accepted an event before the timeout.
    bool waitFor(const std::function<bool(const xcb_generic_event_t*)>& match,
                 std::chrono::milliseconds timeout);
    bool waitForRootProperty(const char* name, std::chrono::milliseconds timeout);
    // The window that has the focus, as the window manager says (_NET_ACTIVE_WINDOW); 0 if none.
    xcb_window_t activeWindow();
    // Sends the window manager a client message about `window` (EWMH: to the root window).
    void sendToWindowManager(xcb_window_t window, xcb_atom_t type, uint32_t first = 0,
                             uint32_t second = 0);

private:
    void addRootEventMask(uint32_t mask);

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint32_t m_rootMask = 0;
};
