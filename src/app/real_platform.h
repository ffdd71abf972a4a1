#pragma once
// The one place that picks the real platform services. On X11: Qt for screens and dialogs, our
// own xcb connection for the window list and the screen grab. On Wayland: our own connection
// to the compositor for the screens and the grab (screencopy), sway's own answer for the window
// list (none elsewhere). Both: a helper
// process for the clipboard, syslog and standard error for the log.

#include <QString>
#include <memory>

#include "platform/platform_services.h"

class DesktopScreens;
class WaylandDisplay;
class XcbConnection;

class RealPlatform {
public:
    // `connection` is the one the display check opened (see connectToXDisplay()).
    explicit RealPlatform(std::shared_ptr<XcbConnection> connection);
    // `portal`: the screen is read through the desktop portal rather than screencopy.
    RealPlatform(std::shared_ptr<WaylandDisplay> display, bool portal);
    ~RealPlatform();
    RealPlatform(const RealPlatform&) = delete;
    RealPlatform& operator=(const RealPlatform&) = delete;

    const PlatformServices& services() const { return m_services; }

    // X11: screens read from the X server instead of Qt (for a process without a
    // QGuiApplication); null returns to Qt's. `screens` must outlive their use.
    void useScreens(DesktopScreens* screens);

    // The texts of the window shown while the desktop asks the user for the permission to
    // record (the desktop portal's question), where there is one.
    void explainPermissionWith(const QString& message, const QString& informativeText);

    // From the next grab on, every screen is grabbed at once and later grabs are cut from
    // those pictures (see FrozenDesktopGrabber), for a capture that covers every screen.
    void freezeDesktopAtFirstGrab();

private:
    struct Parts;
    void assemble();

    std::unique_ptr<Parts> m_parts;
    PlatformServices m_services;
};
