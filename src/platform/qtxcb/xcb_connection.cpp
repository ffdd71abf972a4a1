#include "platform/qtxcb/xcb_connection.h"

#include <cstdlib>

void XcbFree::operator()(void* reply) const {
    std::free(reply);
}

std::shared_ptr<XcbConnection> XcbConnection::open(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
    if (it.rem == 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::shared_ptr<XcbConnection>(new XcbConnection(connection, it.data));
}

XcbConnection::~XcbConnection() {
    xcb_disconnect(m_connection);
}
