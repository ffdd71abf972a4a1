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

// Waits for a reply, e.g. xcbReply(c, xcb_get_geometry(c, w), xcb_get_geometry_reply). An
// error is freed here: left to the event queue, which nobody reads on our connection, it
// would pile up there (windows vanish between two requests all the time).
template <typename Reply, typename Cookie>
XcbReply<Reply> xcbReply(xcb_connection_t* c, Cookie cookie,
                         Reply* (*function)(xcb_connection_t*, Cookie, xcb_generic_error_t**)) {
    xcb_generic_error_t* error = nullptr;
    XcbReply<Reply> reply(function(c, cookie, &error));
    XcbFree()(error);
    return reply;
}
