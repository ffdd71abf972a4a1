#include "app/toolkit_platform.h"

#include <QCursor>
#include <QGuiApplication>
#include <cstdlib>
#include <optional>

#include "app/real_platform.h"
#include "platform/log.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_screens.h"
#include "platform/qtxcb/x11_window_state.h"
#include "platform/qtxcb/xcb_window_list.h"
#include "platform/unavailable_recording.h"
#include "platform/wayland/kwin_screenshot.h"
#include "platform/wayland/kwin_window_list.h"
#include "platform/wayland/portal_permission_probe.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/wayland/sway_window_list.h"
#include "platform/wayland/toolkit_clipboard.h"
#include "platform/wayland/wayland_screens.h"
#include "platform/wayland/wayland_window_state.h"

struct ToolkitPlatform::Parts {
    QtDialogs dialogs;
    std::unique_ptr<DesktopScreens> screens;
    std::unique_ptr<WindowList> windowList;
    KWinWindowList* kwinWindows = nullptr;  // the window list, where KWin gives it
    std::unique_ptr<WindowState> windowState;
    std::unique_ptr<PortalScreenshot> portal;
    std::unique_ptr<PortalPermissionProbe> portalPermission;
    std::unique_ptr<KWinScreenshot> kwin;
    std::optional<UnavailableRecording> unavailable;
    std::optional<ToolkitClipboard> clipboard;
};

ToolkitPlatform::ToolkitPlatform(RealPlatform& platform, const PermissionTexts& permission)
    : m_parts(std::make_unique<Parts>()) {
    if (platform.xcbConnection()) {
        assembleOnX11(platform);
    } else if (platform.waylandDisplay()) {
        assembleOnWayland(platform, permission);
    }
}

void ToolkitPlatform::assembleOnX11(RealPlatform& platform) {
    Parts& p = *m_parts;
    p.screens = std::make_unique<QtScreens>();
    p.windowList = std::make_unique<XcbWindowList>(platform.xcbConnection());
    p.windowState = std::make_unique<X11WindowState>();
    platform.assembleX11WithWindows(
        {p.screens.get(), p.windowList.get(), p.windowState.get(), &p.dialogs});
}

void ToolkitPlatform::assembleOnWayland(RealPlatform& platform, const PermissionTexts& permission) {
    Parts& p = *m_parts;
    const std::shared_ptr<WaylandDisplay> display = platform.waylandDisplay();
    const WaylandCapture capture = platform.waylandCapture();
    const PlatformServices& core = platform.services();
    WaylandWindows windows;
    // sway and KWin tell their windows (elsewhere the list stays empty and the user drags).
    const char* sway = std::getenv("SWAYSOCK");
    if (sway != nullptr && *sway != '\0') {
        p.windowList = std::make_unique<SwayWindowList>(display, sway);
    } else {
        auto kwin = std::make_unique<KWinWindowList>(display, *core.log);
        p.kwinWindows = kwin.get();
        p.windowList = std::move(kwin);
    }
    windows.windowList = p.windowList.get();
    p.windowState = std::make_unique<WaylandWindowState>(display->offersGtkShell());
    windows.windowState = p.windowState.get();
    if (capture == WaylandCapture::KWin || capture == WaylandCapture::KWinElsePortal) {
        p.kwin = std::make_unique<KWinScreenshot>(display, core.termination);
        if (p.kwin->probe()) {
            core.log->write(
                QStringLiteral("the screen is read through KWin's screenshot "
                               "interface"));
            windows.desktopGrabber = p.kwin.get();
        } else if (capture == WaylandCapture::KWin || !p.kwin->notServed()) {
            p.unavailable.emplace(p.kwin->lastError());
            windows.permissionProbe = &*p.unavailable;
        } else {
            core.log->write(QStringLiteral("the screen is read through the desktop portal: ") +
                            p.kwin->lastError());
        }
    }
    if (capture == WaylandCapture::Portal ||
        (capture == WaylandCapture::KWinElsePortal && windows.desktopGrabber == nullptr &&
         !p.unavailable)) {
        p.portal = std::make_unique<PortalScreenshot>(display, core.termination, *core.log);
        p.portalPermission =
            std::make_unique<PortalPermissionProbe>(*p.portal, p.dialogs, *p.windowState);
        p.portalPermission->explainWith(permission.permissionTitleText,
                                        permission.permissionInfoText,
                                        permission.permissionInfoGiven);
        windows.desktopGrabber = p.portal.get();
        windows.permissionProbe = p.portalPermission.get();
    }
    if (platform.needsWindowForClipboard()) windows.windowClipboard = &p.clipboard.emplace();
    windows.dialogs = &p.dialogs;
    platform.waylandScreens()->followPointerWith([]() -> std::optional<Point> {
        // Qt's last sight of the pointer: the origin until it has had one.
        const QPoint seen = QCursor::pos();
        if (seen.isNull()) return {};
        return Point{double(seen.x()), double(seen.y())};
    });
    platform.assembleWaylandWithWindows(windows);
}

void ToolkitPlatform::prepareWindows() {
    if (m_parts->kwinWindows) m_parts->kwinWindows->ask();
}

ToolkitPlatform::~ToolkitPlatform() = default;
