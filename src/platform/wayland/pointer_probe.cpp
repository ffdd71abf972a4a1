#include "platform/wayland/pointer_probe.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <cerrno>
#include <vector>

// Last, and with its parameter "namespace" renamed, which C++ cannot read.
#define namespace surface_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace {

// One output's surface and what the compositor told of it.
struct Cover {
    const WaylandOutput* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wl_buffer* buffer = nullptr;
    uint32_t width = 0;  // the size the compositor gave, in logical points
    uint32_t height = 0;
    bool configured = false;
    bool closed = false;
};

struct Sighting {
    std::vector<Cover>* covers = nullptr;
    const Cover* over = nullptr;  // the surface the pointer is over
    Point local;                  // where on it
};

void layerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                    uint32_t height) {
    auto* cover = static_cast<Cover*>(data);
    cover->width = width;
    cover->height = height;
    cover->configured = true;
    zwlr_layer_surface_v1_ack_configure(layer, serial);
}

void layerClosed(void* data, zwlr_layer_surface_v1*) {
    static_cast<Cover*>(data)->closed = true;
}

const zwlr_layer_surface_v1_listener kLayerListener = {layerConfigure, layerClosed};

void pointerEnter(void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x,
                  wl_fixed_t y) {
    auto* seen = static_cast<Sighting*>(data);
    for (const Cover& c : *seen->covers) {
        if (c.surface == surface) seen->over = &c;
    }
    seen->local = {wl_fixed_to_double(x), wl_fixed_to_double(y)};
}
void pointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    static_cast<Sighting*>(data)->over = nullptr;
}
void pointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    static_cast<Sighting*>(data)->local = {wl_fixed_to_double(x), wl_fixed_to_double(y)};
}
void pointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void pointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
// A seat of version 1 sends none of the later events.
const wl_pointer_listener kPointerListener = {
    pointerEnter, pointerLeave, pointerMotion, pointerButton, pointerAxis,
    nullptr,      nullptr,      nullptr,       nullptr,       nullptr};

// A fully transparent buffer of `width` x `height` (fresh shared memory reads as zeros).
wl_buffer* transparentBuffer(wl_shm* shm, uint32_t width, uint32_t height) {
    const int32_t stride = int32_t(width) * 4;
    const int32_t size = stride * int32_t(height);
    const int fd = memfd_create("quillet-pointer-probe", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    wl_buffer* buffer = nullptr;
    if (ftruncate(fd, size) == 0) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
        buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(width), int32_t(height), stride,
                                           WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    close(fd);
    return buffer;
}

// Reads and dispatches the connection's events until `done` holds or `timeoutMs` has passed.
template <typename Done>
void dispatchUntil(wl_display* display, int timeoutMs, Done done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        const int left = timeoutMs - int(waited.elapsed());
        if (left <= 0) return;
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) return;
        }
        if (done()) {
            wl_display_cancel_read(display);
            return;
        }
        wl_display_flush(display);
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = poll(&fd, 1, left);
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno != EINTR) return;
            continue;
        }
        if (wl_display_read_events(display) < 0) return;
        if (wl_display_dispatch_pending(display) < 0) return;
    }
}

}  // namespace

std::optional<Point> PointerProbe::locate(int timeoutMs) {
    WaylandDisplay& d = *m_display;
    if (d.layerShell() == nullptr || d.compositor() == nullptr || d.shm() == nullptr ||
        d.seat() == nullptr || (d.seatCapabilities() & WL_SEAT_CAPABILITY_POINTER) == 0) {
        return std::nullopt;
    }
    const std::vector<WaylandOutput> outputs = d.outputs();
    std::vector<Cover> covers(outputs.size());
    Sighting seen{&covers, nullptr, {}};
    wl_pointer* pointer = wl_seat_get_pointer(d.seat());
    wl_pointer_add_listener(pointer, &kPointerListener, &seen);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        Cover& c = covers[i];
        c.output = &outputs[i];
        c.surface = wl_compositor_create_surface(d.compositor());
        // No input would mean no pointer: the whole surface takes it, and no keyboard.
        c.layer = zwlr_layer_shell_v1_get_layer_surface(
            d.layerShell(), c.surface, outputs[i].output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
            "quillet-pointer-probe");
        zwlr_layer_surface_v1_add_listener(c.layer, &kLayerListener, &c);
        zwlr_layer_surface_v1_set_anchor(
            c.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(c.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(c.layer, 0);
        wl_surface_commit(c.surface);
    }
    // The sizes, then each surface shown with a buffer of its size.
    if (d.roundtrip()) {
        for (Cover& c : covers) {
            if (!c.configured || c.closed || c.width == 0 || c.height == 0) continue;
            c.buffer = transparentBuffer(d.shm(), c.width, c.height);
            if (c.buffer == nullptr) continue;
            wl_surface_attach(c.surface, c.buffer, 0, 0);
            wl_surface_damage(c.surface, 0, 0, int32_t(c.width), int32_t(c.height));
            wl_surface_commit(c.surface);
        }
        dispatchUntil(d.get(), timeoutMs, [&] { return seen.over != nullptr; });
    }
    std::optional<Point> found;
    if (seen.over != nullptr) {
        const Rect& at = seen.over->output->logical;
        found = Point{at.x + seen.local.x, at.y + seen.local.y};
    }
    for (Cover& c : covers) {
        zwlr_layer_surface_v1_destroy(c.layer);
        wl_surface_destroy(c.surface);
        if (c.buffer) wl_buffer_destroy(c.buffer);
    }
    wl_pointer_destroy(pointer);
    // The compositor has taken them off before anything is grabbed.
    d.roundtrip();
    return found;
}
