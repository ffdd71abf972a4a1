#include "platform/wayland/wayland_display.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

// The layer shell's header names a parameter "namespace", which C++ cannot read: only its
// interface is needed here (see pointer_probe.cpp for its requests).
extern "C" const wl_interface zwlr_layer_shell_v1_interface;

namespace {

// wl_output: the mode gives the pixel size, the scale and transform how it maps to the logical
// space; the geometry's position is the fallback place where xdg-output is missing.
void outputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                    const char*, const char*, int32_t transform) {
    auto* o = static_cast<WaylandOutput*>(data);
    if (!o->hasLogical) {
        o->logical.x = x;
        o->logical.y = y;
    }
    o->transform = transform;
}
void outputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    auto* o = static_cast<WaylandOutput*>(data);
    o->pixelWidth = width;
    o->pixelHeight = height;
}
void outputDone(void*, wl_output*) {}
void outputScale(void* data, wl_output*, int32_t factor) {
    static_cast<WaylandOutput*>(data)->scale = std::max(1, factor);
}
void outputName(void* data, wl_output*, const char* name) {
    static_cast<WaylandOutput*>(data)->name = name;
}
void outputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {outputGeometry, outputMode, outputDone,
                                            outputScale,    outputName, outputDescription};

void xdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    auto* o = static_cast<WaylandOutput*>(data);
    o->logical.x = x;
    o->logical.y = y;
    o->hasLogical = true;
}
void xdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    auto* o = static_cast<WaylandOutput*>(data);
    o->logical.width = width;
    o->logical.height = height;
    o->hasLogical = true;
}
void xdgDone(void*, zxdg_output_v1*) {}
void xdgName(void* data, zxdg_output_v1*, const char* name) {
    auto* o = static_cast<WaylandOutput*>(data);
    if (o->name.empty()) o->name = name;
}
void xdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {xdgPosition, xdgSize, xdgDone, xdgName,
                                                    xdgDescription};

const wl_registry_listener kRegistryListener = {&WaylandDisplay::global,
                                                &WaylandDisplay::globalRemove};

void seatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {&WaylandDisplay::seatCapabilities, seatName};

// The logical size where the compositor does not tell it: the mode, turned and divided by the
// scale.
void completeLogicalSize(WaylandOutput& o) {
    if (o.logical.width > 0 && o.logical.height > 0) return;
    const bool turned = o.transform % 2 == 1;  // 90 and 270 degrees, flipped or not
    const int w = turned ? o.pixelHeight : o.pixelWidth;
    const int h = turned ? o.pixelWidth : o.pixelHeight;
    o.logical.width = double(w) / o.scale;
    o.logical.height = double(h) / o.scale;
}

}  // namespace

std::unique_ptr<WaylandDisplay> WaylandDisplay::connect(std::string* problem) {
    std::unique_ptr<WaylandDisplay> d(new WaylandDisplay);
    d->m_display = wl_display_connect(nullptr);
    if (d->m_display == nullptr) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        *problem = std::string("cannot connect to the Wayland compositor (WAYLAND_DISPLAY=") +
                   (name ? name : "") + ")";
        return nullptr;
    }
    d->m_registry = wl_display_get_registry(d->m_display);
    wl_registry_add_listener(d->m_registry, &kRegistryListener, d.get());
    // The globals, then what the outputs tell of themselves.
    if (!d->roundtrip()) {
        *problem = "the Wayland compositor closed the connection";
        return nullptr;
    }
    d->describeOutputs();
    if (!d->roundtrip()) {
        *problem = "the Wayland compositor closed the connection";
        return nullptr;
    }
    for (auto& o : d->m_outputs) completeLogicalSize(*o);
    return d;
}

void WaylandDisplay::global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                            uint32_t version) {
    auto* d = static_cast<WaylandDisplay*>(data);
    auto bind = [&](const wl_interface* type, uint32_t highest) {
        return wl_registry_bind(registry, name, type, std::min(version, highest));
    };
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<WaylandOutput>();
        output->output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        d->m_outputs.push_back(std::move(output));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        d->m_shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && d->m_seat == nullptr) {
        d->m_seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
        wl_seat_add_listener(d->m_seat, &kSeatListener, d);
    } else if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        d->m_compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 1));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        d->m_layerShell =
            static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        d->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, 3));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        d->m_dataControl = static_cast<zwlr_data_control_manager_v1*>(
            bind(&zwlr_data_control_manager_v1_interface, 1));
    } else if (std::strcmp(interface, "gtk_shell1") == 0) {
        d->m_gtkShell = true;
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        d->m_xdgOutputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    }
}

void WaylandDisplay::globalRemove(void*, wl_registry*, uint32_t) {}

void WaylandDisplay::seatCapabilities(void* data, wl_seat*, uint32_t capabilities) {
    static_cast<WaylandDisplay*>(data)->m_seatCapabilities = capabilities;
}

void WaylandDisplay::describeOutputs() {
    if (m_xdgOutputs == nullptr) return;
    for (auto& o : m_outputs) {
        o->xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, o->output);
        zxdg_output_v1_add_listener(o->xdgOutput, &kXdgOutputListener, o.get());
    }
}

std::vector<WaylandOutput> WaylandDisplay::outputs() const {
    std::vector<WaylandOutput> list;
    for (const auto& o : m_outputs) list.push_back(*o);
    return list;
}

bool WaylandDisplay::roundtrip() {
    return wl_display_roundtrip(m_display) >= 0;
}

bool WaylandDisplay::lost() {
    return wl_display_get_error(m_display) != 0 || !roundtrip();
}

WaylandDisplay::~WaylandDisplay() {
    if (m_display == nullptr) return;
    for (auto& o : m_outputs) {
        if (o->xdgOutput) zxdg_output_v1_destroy(o->xdgOutput);
        if (o->output) wl_output_destroy(o->output);
    }
    if (m_xdgOutputs) zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_screencopy) zwlr_screencopy_manager_v1_destroy(m_screencopy);
    if (m_dataControl) zwlr_data_control_manager_v1_destroy(m_dataControl);
    if (m_seat) wl_seat_destroy(m_seat);
    if (m_layerShell) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_layerShell));
    if (m_compositor) wl_compositor_destroy(m_compositor);
    if (m_shm) wl_shm_destroy(m_shm);
    if (m_registry) wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}
