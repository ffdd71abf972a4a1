#include "platform/wayland/data_control_server.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

void writeAll(int fd, const QByteArray& data) {
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the reader went away
        written += n;
    }
    close(fd);
}

// Offers of other clients' selections: not needed, let go at once.
void dataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    zwlr_data_control_offer_v1_destroy(offer);
}
void selection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void primarySelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}

const zwlr_data_control_device_v1_listener kDeviceListener = {
    dataOffer, selection, &DataControlServer::finished, primarySelection};
const zwlr_data_control_source_v1_listener kSourceListener = {&DataControlServer::send,
                                                              &DataControlServer::cancelled};

}  // namespace

std::unique_ptr<DataControlServer> DataControlServer::connect(const char* mimeType) {
    std::string problem;
    std::unique_ptr<WaylandDisplay> display = WaylandDisplay::connect(&problem);
    if (!display || display->dataControl() == nullptr || display->seat() == nullptr) return nullptr;
    std::unique_ptr<DataControlServer> server(new DataControlServer);
    server->m_display = std::move(display);
    server->m_mimeType = mimeType;
    server->m_device = zwlr_data_control_manager_v1_get_data_device(
        server->m_display->dataControl(), server->m_display->seat());
    zwlr_data_control_device_v1_add_listener(server->m_device, &kDeviceListener, server.get());
    return server;
}

DataControlServer::~DataControlServer() {
    for (const int fd : m_waiting) close(fd);
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    if (m_device) zwlr_data_control_device_v1_destroy(m_device);
    if (m_display) wl_display_flush(m_display->get());
    for (std::thread& transfer : m_transfers) transfer.join();
}

bool DataControlServer::acquire() {
    m_source = zwlr_data_control_manager_v1_create_data_source(m_display->dataControl());
    zwlr_data_control_source_v1_add_listener(m_source, &kSourceListener, this);
    zwlr_data_control_source_v1_offer(m_source, m_mimeType.c_str());
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    // The compositor has made the selection ours once it has handled the request; another
    // client that took it since would have cancelled our source by then.
    return m_display->roundtrip() && !m_lost;
}

void DataControlServer::setData(QByteArray data) {
    m_data = std::move(data);
    m_dataKnown = true;
    for (const int fd : m_waiting) deliver(fd);
    m_waiting.clear();
}

void DataControlServer::deliver(int fd) {
    if (m_data.isEmpty()) {
        close(fd);  // refused: the reader sees an empty transfer
        return;
    }
    m_transfers.emplace_back(writeAll, fd, m_data);
}

void DataControlServer::releaseIfOwned() {
    if (m_source == nullptr || m_lost) return;
    zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    m_display->roundtrip();
}

int DataControlServer::eventFd() {
    return wl_display_get_fd(m_display->get());
}

bool DataControlServer::handleEvents() {
    wl_display* d = m_display->get();
    if (wl_display_prepare_read(d) == 0) {
        pollfd readable{wl_display_get_fd(d), POLLIN, 0};
        if (poll(&readable, 1, 0) > 0) {
            if (wl_display_read_events(d) < 0) return false;
        } else {
            wl_display_cancel_read(d);
        }
    }
    if (wl_display_dispatch_pending(d) < 0) return false;
    wl_display_flush(d);
    return !m_lost;
}

bool DataControlServer::stillOwned() {
    return m_display->roundtrip() && !m_lost;
}

void DataControlServer::send(void* data, zwlr_data_control_source_v1*, const char* mimeType,
                             int32_t fd) {
    auto* server = static_cast<DataControlServer*>(data);
    if (server->m_mimeType != mimeType) {
        close(fd);
        return;
    }
    if (!server->m_dataKnown) {
        server->m_waiting.push_back(fd);
        return;
    }
    server->deliver(fd);
}

void DataControlServer::cancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<DataControlServer*>(data)->m_lost = true;
}

void DataControlServer::finished(void* data, zwlr_data_control_device_v1*) {
    static_cast<DataControlServer*>(data)->m_lost = true;
}
