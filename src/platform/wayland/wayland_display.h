#pragma once
// A connection of our own to the Wayland compositor, with the globals the capture uses: the
// outputs (their place and size in the compositor's logical space, and the size of their
// pixels), shared memory, the seat, and the wlroots screencopy and data-control managers where
// the compositor offers them. Needs no QGuiApplication.

#include <wayland-client.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"

struct zwlr_data_control_manager_v1;
struct zwlr_layer_shell_v1;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

struct WaylandOutput {
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string name;    // the connector, such as "HEADLESS-1"
    Rect logical;        // place and size in the compositor's logical space
    int pixelWidth = 0;  // the current mode, in device pixels (before any transform)
    int pixelHeight = 0;
    int32_t scale = 1;  // the integer scale the compositor announces
    int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    bool hasLogical = false;
};

class WaylandDisplay {
public:
    // Connects to $WAYLAND_DISPLAY and learns the globals; null with `problem` set otherwise.
    static std::unique_ptr<WaylandDisplay> connect(std::string* problem);
    ~WaylandDisplay();
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

    wl_display* get() const { return m_display; }
    // In the order the compositor announced them; the first is the main screen, as for Qt.
    std::vector<WaylandOutput> outputs() const;
    wl_shm* shm() const { return m_shm; }
    wl_seat* seat() const { return m_seat; }
    // WL_SEAT_CAPABILITY_* the seat has now.
    uint32_t seatCapabilities() const { return m_seatCapabilities; }
    wl_compositor* compositor() const { return m_compositor; }
    zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    // Whether the compositor offers GTK's shell protocol, which only Mutter (GNOME) does.
    bool offersGtkShell() const { return m_gtkShell; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    zwlr_data_control_manager_v1* dataControl() const { return m_dataControl; }
    // Sends what is queued and waits until the compositor has handled it; false once the
    // connection is broken.
    bool roundtrip();
    // Whether the compositor has gone (or broken the connection): asks it, since a compositor
    // that has just gone is noticed only by the next exchange.
    bool lost();

    // The registry's announcements (listener callbacks).
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    static void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities);

private:
    WaylandDisplay() = default;
    void describeOutputs();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    uint32_t m_seatCapabilities = 0;
    wl_compositor* m_compositor = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    bool m_gtkShell = false;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    zwlr_data_control_manager_v1* m_dataControl = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    // Stable addresses: the listeners keep pointers to the entries.
    std::vector<std::unique_ptr<WaylandOutput>> m_outputs;
};
