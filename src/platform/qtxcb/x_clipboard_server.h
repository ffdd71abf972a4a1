#pragma once
// CLIPBOARD on an X display, served through a SelectionOwner on a connection of its own.

#include <xcb/xcb.h>

#include <memory>

#include "platform/clipboard_server.h"
#include "platform/qtxcb/selection_owner.h"

class XClipboardServer : public ClipboardServer {
public:
    // Connects to DISPLAY; null when no X server can be reached.
    static std::unique_ptr<XClipboardServer> connect(const char* dataTarget);
    ~XClipboardServer() override;

    bool acquire() override { return m_owner->acquire(); }
    void setData(QByteArray data) override { m_owner->setData(std::move(data)); }
    void releaseIfOwned() override { m_owner->releaseIfOwned(); }
    int eventFd() override { return xcb_get_file_descriptor(m_connection); }
    bool handleEvents() override;
    bool stillOwned() override { return m_owner->ownsOnServer(); }

private:
    explicit XClipboardServer(xcb_connection_t* connection) : m_connection(connection) {}

    xcb_connection_t* m_connection;
    std::unique_ptr<SelectionOwner> m_owner;
};
