#include "platform/wayland/wayland_window_state.h"

#include <wayland-client.h>

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QWindow>

namespace {

void syncDone(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener kSyncListener = {syncDone};

}  // namespace

bool WaylandWindowState::isOffScreen(uintptr_t) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display =
        native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"))
               : nullptr;
    if (display == nullptr) return true;
    // On a queue of our own, so that the toolkit's events stay on its queue for its thread;
    // dispatching it flushes the connection, the toolkit's unmapping included.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    bool done = false;
    wl_callback* sync = wl_display_sync(wrapper);
    wl_callback_add_listener(sync, &kSyncListener, &done);
    while (!done && wl_display_dispatch_queue(display, queue) >= 0) {
    }
    wl_callback_destroy(sync);
    wl_proxy_wrapper_destroy(wrapper);
    wl_event_queue_destroy(queue);
    return true;
}

void WaylandWindowState::confirmActivation(QWindow* window) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    // Before its first configuration is applied the surface has nothing to confirm.
    if (native == nullptr || window == nullptr || !window->isExposed()) return;
    auto* surface = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
    auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
    if (surface == nullptr || display == nullptr) return;
    wl_surface_commit(surface);
    wl_display_flush(display);
}
