#include "app/real_platform.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/desktop_screens.h"
#include "platform/frozen_desktop_grabber.h"
#include "platform/grab_recorder.h"
#include "platform/qtxcb/x11_permission_probe.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/qtxcb/xcb_screens.h"
#include "platform/system/clipboard_keeper.h"
#include "platform/system/signal_termination.h"
#include "platform/system/system_clock.h"
#include "platform/system/system_exit.h"
#include "platform/system/system_log.h"
#include "platform/wayland/screencopy_grabber.h"
#include "platform/wayland/wayland_display.h"
#include "platform/wayland/wayland_screens.h"

struct RealPlatform::Parts {
    SystemLog log;
    SystemClock clock;
    SystemExit processExit;
    SignalTermination termination;
    ClipboardKeeper clipboard{ClipboardKeeper::helperExecutable()};
    X11PermissionProbe noPermissionToAsk;
    std::optional<GrabRecorder> recorder;
    std::optional<FrozenDesktopGrabber> frozen;

    // X11
    std::shared_ptr<XcbConnection> connection;
    std::unique_ptr<XcbScreenGrabber> xcbGrabber;
    std::unique_ptr<XcbScreens> xcbScreens;
    // Wayland
    std::shared_ptr<WaylandDisplay> display;
    std::unique_ptr<WaylandScreens> waylandScreens;
    std::unique_ptr<ScreencopyGrabber> screencopy;  // when the screen is read by screencopy
    WaylandCapture capture = WaylandCapture::Screencopy;
    bool windowForClipboard = false;
};

RealPlatform::RealPlatform(std::shared_ptr<XcbConnection> connection, bool automaticCapture)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    p.connection = connection;
    // Before the grab's preparation, which allocates the screen's memory: the helper's start
    // (a vfork) runs alongside that rather than after it.
    if (automaticCapture) p.clipboard.prepare();
    p.xcbGrabber = std::make_unique<XcbScreenGrabber>(std::move(connection));
    // An automatic capture asks for the screen now and takes that picture as its grab. A
    // capture with windows does not: the server, busy copying the screen into fresh memory,
    // would hold up the toolkit's own start-up behind it (at 3840 x 2160, 30 ms of it against
    // 20 ms saved at the grab).
    if (automaticCapture) p.xcbGrabber->prepare(true);
    m_services = systemServices();
}

RealPlatform::RealPlatform(std::shared_ptr<WaylandDisplay> display, WaylandCapture capture,
                           bool windowForClipboard)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    p.display = display;
    p.capture = capture;
    p.waylandScreens = std::make_unique<WaylandScreens>(display);
    if (capture == WaylandCapture::Screencopy) {
        p.screencopy = std::make_unique<ScreencopyGrabber>(display);
    }
    p.windowForClipboard = windowForClipboard;
    m_services = systemServices();
}

RealPlatform::~RealPlatform() = default;

PlatformServices RealPlatform::systemServices() const {
    Parts& p = *m_parts;
    PlatformServices services;
    services.log = &p.log;
    services.clock = &p.clock;
    services.processExit = &p.processExit;
    services.termination = &p.termination;
    services.clipboard = &p.clipboard;
    services.permissionProbe = &p.noPermissionToAsk;
    return services;
}

ScreenGrabber* RealPlatform::recorded(ScreenGrabber* grabber) {
    Parts& p = *m_parts;
    p.recorder.reset();
    const char* path = std::getenv("QUILLET_RECORD_GRABS");
    if (grabber == nullptr || path == nullptr || *path == '\0') return grabber;
    return &p.recorder.emplace(*grabber, QString::fromLocal8Bit(path));
}

bool RealPlatform::assembleX11Automatic() {
    Parts& p = *m_parts;
    if (!p.xcbScreens) p.xcbScreens = XcbScreens::create(p.connection);
    if (!p.xcbScreens) return false;
    PlatformServices services = systemServices();
    services.screens = p.xcbScreens.get();
    p.xcbGrabber->setScreens(p.xcbScreens.get());
    services.grabber = recorded(p.xcbGrabber.get());
    // The clipboard helper; no window list, dialogs or window state: nothing is shown.
    m_services = services;
    return true;
}

void RealPlatform::assembleX11WithWindows(const X11Windows& windows) {
    Parts& p = *m_parts;
    PlatformServices services = systemServices();
    services.screens = windows.screens;
    p.xcbGrabber->setScreens(windows.screens);
    services.grabber = recorded(p.xcbGrabber.get());
    // The clipboard helper, and no permission to ask for.
    services.windowList = windows.windowList;
    services.windowState = windows.windowState;
    services.dialogs = windows.dialogs;
    m_services = services;
}

void RealPlatform::assembleWaylandAutomatic() {
    Parts& p = *m_parts;
    PlatformServices services = systemServices();
    services.screens = p.waylandScreens.get();
    services.grabber = recorded(p.screencopy.get());
    // The clipboard helper (data control); nothing is shown.
    m_services = services;
}

void RealPlatform::assembleWaylandWithWindows(const WaylandWindows& windows) {
    Parts& p = *m_parts;
    PlatformServices services = systemServices();
    services.screens = p.waylandScreens.get();
    // Every output frozen at the first grab: the capture covers each one before it moves there.
    ScreenGrabber* base = windows.desktopGrabber ? windows.desktopGrabber
                                                 : static_cast<ScreenGrabber*>(p.screencopy.get());
    p.frozen.reset();
    if (base) p.frozen.emplace(*base, *p.waylandScreens);
    services.grabber = recorded(p.frozen ? &*p.frozen : nullptr);
    if (windows.permissionProbe) services.permissionProbe = windows.permissionProbe;
    if (windows.windowClipboard) services.clipboard = windows.windowClipboard;
    services.windowList = windows.windowList;
    services.windowState = windows.windowState;
    services.dialogs = windows.dialogs;
    m_services = services;
}

std::shared_ptr<XcbConnection> RealPlatform::xcbConnection() const {
    return m_parts->connection;
}

std::shared_ptr<WaylandDisplay> RealPlatform::waylandDisplay() const {
    return m_parts->display;
}

WaylandScreens* RealPlatform::waylandScreens() const {
    return m_parts->waylandScreens.get();
}

WaylandCapture RealPlatform::waylandCapture() const {
    return m_parts->capture;
}

bool RealPlatform::needsWindowForClipboard() const {
    return m_parts->windowForClipboard;
}
