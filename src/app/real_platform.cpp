#include "app/real_platform.h"

#include <QCursor>
#include <QGuiApplication>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/frozen_desktop_grabber.h"
#include "platform/grab_recorder.h"
#include "platform/qtxcb/clipboard_keeper.h"
#include "platform/qtxcb/qt_dialogs.h"
#include "platform/qtxcb/qt_screens.h"
#include "platform/qtxcb/signal_termination.h"
#include "platform/qtxcb/system_clock.h"
#include "platform/qtxcb/system_exit.h"
#include "platform/qtxcb/system_log.h"
#include "platform/qtxcb/x11_permission_probe.h"
#include "platform/qtxcb/x11_window_state.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/qtxcb/xcb_window_list.h"
#include "platform/wayland/portal_permission_probe.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/wayland/screencopy_grabber.h"
#include "platform/wayland/sway_window_list.h"
#include "platform/wayland/toolkit_clipboard.h"
#include "platform/wayland/wayland_display.h"
#include "platform/wayland/wayland_screens.h"
#include "platform/wayland/wayland_window_state.h"

struct RealPlatform::Parts {
    SystemLog log;
    SystemClock clock;
    SystemExit processExit;
    ClipboardKeeper clipboard{ClipboardKeeper::helperExecutable()};
    QtDialogs dialogs;
    X11PermissionProbe x11Permission;
    std::unique_ptr<PortalPermissionProbe> portalPermission;
    std::optional<ToolkitClipboard> toolkitClipboard;  // Wayland without data control
    SignalTermination termination;
    std::optional<GrabRecorder> recorder;
    std::optional<FrozenDesktopGrabber> frozen;

    // What differs between the window systems.
    std::unique_ptr<DesktopScreens> screens;
    std::unique_ptr<WindowList> windowList;
    std::unique_ptr<ScreenGrabber> grabber;
    std::unique_ptr<WindowState> windowState;
    XcbScreenGrabber* xcbGrabber = nullptr;  // X11 only
};

RealPlatform::RealPlatform(std::shared_ptr<XcbConnection> connection)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    p.screens = std::make_unique<QtScreens>();
    p.windowList = std::make_unique<XcbWindowList>(connection);
    auto grabber = std::make_unique<XcbScreenGrabber>(connection, p.screens.get());
    // The first grab into fresh memory pays for its page faults; this does that now, in the
    // background, while the rest of the start-up runs.
    grabber->prepare();
    p.xcbGrabber = grabber.get();
    p.grabber = std::move(grabber);
    p.windowState = std::make_unique<X11WindowState>();
    assemble();
}

RealPlatform::RealPlatform(std::shared_ptr<WaylandDisplay> display, bool portal)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    auto screens = std::make_unique<WaylandScreens>(display);
    screens->followPointerWith([]() -> std::optional<Point> {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return {};
        // Qt's last sight of the pointer: the origin until it has had one.
        const QPoint seen = QCursor::pos();
        if (seen.isNull()) return {};
        return Point{double(seen.x()), double(seen.y())};
    });
    p.screens = std::move(screens);
    // Only sway tells its windows (elsewhere the list stays empty and the user drags).
    const char* sway = std::getenv("SWAYSOCK");
    p.windowList = std::make_unique<SwayWindowList>(display, sway ? sway : "");
    if (portal) {
        auto screenshot = std::make_unique<PortalScreenshot>(display);
        p.portalPermission = std::make_unique<PortalPermissionProbe>(*screenshot, p.dialogs);
        p.grabber = std::move(screenshot);
    } else {
        p.grabber = std::make_unique<ScreencopyGrabber>(display);
    }
    p.windowState = std::make_unique<WaylandWindowState>();
    // Where no program may own the clipboard for us, the compositor keeps what it was offered.
    const char* forced = std::getenv("QUILLET_WAYLAND_CLIPBOARD");
    if (display->dataControl() == nullptr || (forced && std::string(forced) == "toolkit")) {
        p.toolkitClipboard.emplace();
    }
    assemble();
}

void RealPlatform::assemble() {
    Parts& p = *m_parts;
    ScreenGrabber* grabber = p.frozen ? &*p.frozen : p.grabber.get();
    // For tests: every grab the capture gets is also written to this file.
    if (const char* path = std::getenv("QUILLET_RECORD_GRABS"); path != nullptr && *path != '\0') {
        p.recorder.reset();
        grabber = &p.recorder.emplace(*grabber, QString::fromLocal8Bit(path));
    }
    PermissionProbe* permission = p.portalPermission
                                      ? p.portalPermission.get()
                                      : static_cast<PermissionProbe*>(&p.x11Permission);
    m_services = PlatformServices{
        &p.log,
        &p.clock,
        &p.processExit,
        p.screens.get(),
        p.windowList.get(),
        grabber,
        p.toolkitClipboard ? static_cast<Clipboard*>(&*p.toolkitClipboard) : &p.clipboard,
        &p.dialogs,
        permission,
        &p.termination,
        p.windowState.get()};
}

RealPlatform::~RealPlatform() = default;

void RealPlatform::explainPermissionWith(const QString& message, const QString& informativeText) {
    if (m_parts->portalPermission) m_parts->portalPermission->explainWith(message, informativeText);
}

void RealPlatform::freezeDesktopAtFirstGrab() {
    Parts& p = *m_parts;
    if (p.frozen) return;
    p.frozen.emplace(*p.grabber, *p.screens);
    assemble();
}

void RealPlatform::useScreens(DesktopScreens* screens) {
    Parts& p = *m_parts;
    if (p.xcbGrabber == nullptr) return;
    DesktopScreens* chosen = screens ? screens : p.screens.get();
    m_services.screens = chosen;
    p.xcbGrabber->setScreens(chosen);
}
