#include "platform/wayland/wayland_window_state.h"

#include <wayland-client.h>

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QWindow>

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
