#include "support/x_waiter.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>

XWaiter::XWaiter(const std::string& display) {
    int screenNumber = 0;
    m_connection = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    m_root = it.data->root;
}

XWaiter::~XWaiter() {
    if (m_connection) xcb_disconnect(m_connection);
}

xcb_atom_t XWaiter::atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

void XWaiter::addRootEventMask(uint32_t mask) {
    m_rootMask |= mask;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &m_rootMask);
    xcb_flush(m_connection);
}

void XWaiter::watchRootProperties() {
    addRootEventMask(XCB_EVENT_MASK_PROPERTY_CHANGE);
}

void XWaiter::watchRootChildren() {
    addRootEventMask(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
}

bool XWaiter::waitFor(const std::function<bool(const xcb_generic_event_t*)>& match,
                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const bool matched = match(event);
            std::free(event);
            if (matched) return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&pfd, 1, static_cast<int>(left.count()));
    }
}

bool XWaiter::waitForRootProperty(const char* name, std::chrono::milliseconds timeout) {
    const xcb_atom_t property = atom(name);
    auto* reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, property, XCB_ATOM_ANY, 0, 1),
        nullptr);
    const bool present = reply && reply->type != XCB_ATOM_NONE;
    std::free(reply);
    if (present) return true;
    return waitFor(
        [&](const xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
            return reinterpret_cast<const xcb_property_notify_event_t*>(e)->atom == property;
        },
        timeout);
}

void XWaiter::sendToWindowManager(xcb_window_t window, xcb_atom_t type, uint32_t first,
                                  uint32_t second) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = first;
    message.data.data32[1] = second;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

xcb_window_t XWaiter::activeWindow() {
    auto* reply =
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 0, m_root, atom("_NET_ACTIVE_WINDOW"),
                                                XCB_ATOM_WINDOW, 0, 1),
                               nullptr);
    xcb_window_t window = 0;
    if (reply && xcb_get_property_value_length(reply) == 4) {
        window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    return window;
}
