#pragma once
// A connection of our own to the X display, shared by the window list and the screen grabber.
// It is independent of Qt's, so that our requests and errors never mix with Qt's event
// stream and shared-memory images may outlive the QGuiApplication.

#include <xcb/xcb.h>

#include <memory>

class XcbConnection {
public:
    // Connects to DISPLAY (or `display`); null when no connection can be made.
    static std::shared_ptr<XcbConnection> open(const char* display = nullptr);
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    xcb_connection_t* get() const { return m_connection; }
    xcb_window_t root() const { return m_screen->root; }
    const xcb_screen_t* screen() const { return m_screen; }
    xcb_atom_t atom(const char* name);  // one round trip; prefer batching with xcb_intern_atom

private:
    XcbConnection(xcb_connection_t* connection, xcb_screen_t* screen)
        : m_connection(connection), m_screen(screen) {}

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen;
};

// Frees xcb replies.
struct XcbFree {
    void operator()(void* reply) const;
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;
