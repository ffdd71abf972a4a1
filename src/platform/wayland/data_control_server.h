#pragma once
// The clipboard of a Wayland session served through wlroots' data control, which lets a
// client without a window own the selection (sway, KWin and the wlroots compositors offer it):
// the image stays pasteable after the capturing process has gone.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clipboard_server.h"
#include "platform/wayland/wayland_display.h"

struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

class DataControlServer : public ClipboardServer {
public:
    // Connects to $WAYLAND_DISPLAY; null when that fails or the compositor offers no data
    // control or no seat.
    static std::unique_ptr<DataControlServer> connect(const char* mimeType);
    ~DataControlServer() override;

    bool acquire() override;
    void setData(QByteArray data) override;
    void releaseIfOwned() override;
    int eventFd() override;
    bool handleEvents() override;
    bool stillOwned() override;

    // Listener callbacks.
    static void send(void* data, zwlr_data_control_source_v1* source, const char* mimeType,
                     int32_t fd);
    static void cancelled(void* data, zwlr_data_control_source_v1* source);
    static void finished(void* data, zwlr_data_control_device_v1* device);

private:
    DataControlServer() = default;
    // Writes the data to `fd` on a thread of its own (a slow reader must not hold up the
    // others) and closes it.
    void deliver(int fd);

    std::unique_ptr<WaylandDisplay> m_display;
    std::string m_mimeType;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    bool m_lost = false;  // the source was cancelled or the device is gone
    bool m_dataKnown = false;
    QByteArray m_data;
    std::vector<int> m_waiting;  // requests that came before the data
    // Transfers under way; a paste that has begun is finished before the helper exits.
    std::vector<std::thread> m_transfers;
};
