#pragma once
// The one place that picks the real platform services. What needs no widget toolkit is made
// here: the log, the clock, the exit, the grab (our own xcb connection on X11, screencopy on
// Wayland), the screens where they can be read without the toolkit, and a helper process for
// the clipboard. The windows' services (Qt's screens, the window list, dialogs, the desktop
// portal, a clipboard offered from a window) come from the toolkit's side once it is loaded
// (see attachToolkit).

#include <QString>
#include <memory>

#include "app/platform_choice.h"
#include "platform/platform_services.h"

class DesktopScreens;
class WaylandDisplay;
class WaylandScreens;
class XcbConnection;

// The services only the widget toolkit's side can give; each one given replaces the platform's.
struct ToolkitServices {
    DesktopScreens* screens = nullptr;
    WindowList* windowList = nullptr;
    WindowState* windowState = nullptr;
    Dialogs* dialogs = nullptr;
    ScreenGrabber* grabber = nullptr;
    PermissionProbe* permissionProbe = nullptr;
    Clipboard* clipboard = nullptr;
};

class RealPlatform {
public:
    // `connection` is the one the display check opened (see connectToXDisplay()).
    // `automaticCapture`: the launch asks for one, whose image goes to the clipboard shortly
    // (see Clipboard::prepare) and whose moment is now.
    RealPlatform(std::shared_ptr<XcbConnection> connection, bool automaticCapture);
    // `capture`: how the screen is read; all but screencopy through a desktop service that the
    // toolkit's side gives (KWin's screenshot interface, the desktop portal).
    // `windowForClipboard`: no program may own the clipboard for us, only a focused window of
    // ours may offer it (see chooseWaylandClipboard).
    RealPlatform(std::shared_ptr<WaylandDisplay> display, WaylandCapture capture,
                 bool windowForClipboard);
    ~RealPlatform();
    RealPlatform(const RealPlatform&) = delete;
    RealPlatform& operator=(const RealPlatform&) = delete;

    const PlatformServices& services() const { return m_services; }

    // X11: the screens the capture and the grab use (XcbScreens, for a process without the
    // toolkit); null returns to the toolkit's.
    void useScreens(DesktopScreens* screens);

    // The services of the toolkit's side, which must outlive their use.
    void attachToolkit(const ToolkitServices& toolkit);

    // From the next grab on, every screen is grabbed at once and later grabs are cut from
    // those pictures (see FrozenDesktopGrabber), for a capture that covers every screen.
    void freezeDesktopAtFirstGrab();

    // What the toolkit's side builds on.
    std::shared_ptr<XcbConnection> xcbConnection() const;
    std::shared_ptr<WaylandDisplay> waylandDisplay() const;
    WaylandScreens* waylandScreens() const;
    WaylandCapture waylandCapture() const;
    // Wayland without data control (GNOME): only a focused window of ours can set the clipboard.
    bool needsWindowForClipboard() const;

private:
    struct Parts;
    void assemble();

    std::unique_ptr<Parts> m_parts;
    PlatformServices m_services;
};
