#include "platform/qtxcb/x_clipboard_server.h"

#include <cstdlib>

std::unique_ptr<XClipboardServer> XClipboardServer::connect(const char* dataTarget) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<XClipboardServer> server(new XClipboardServer(connection));
    server->m_owner = std::make_unique<SelectionOwner>(connection, "CLIPBOARD", dataTarget);
    return server;
}

XClipboardServer::~XClipboardServer() {
    m_owner.reset();
    xcb_disconnect(m_connection);
}

bool XClipboardServer::handleEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const bool stillOwned = m_owner->handle(event);
        std::free(event);
        if (!stillOwned) return false;
    }
    return !xcb_connection_has_error(m_connection);
}
