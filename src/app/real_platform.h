#pragma once
// The one place on the program's side that picks the real platform services. It owns what
// needs no widget toolkit (the log, the clock, the exit, the signals, the clipboard helper,
// the connection to the window system and its grabber) and assembles the services of each kind
// of run in a function of its own: X11 or Wayland, automatic (without the toolkit) or with
// windows (the toolkit's side hands over what only it can make, see ToolkitPlatform).

#include <QString>
#include <memory>

#include "app/platform_choice.h"
#include "platform/platform_services.h"

class DesktopScreens;
class WaylandDisplay;
class WaylandScreens;
class XcbConnection;

// What the toolkit's side makes for a capture with windows on X11.
struct X11Windows {
    DesktopScreens* screens = nullptr;  // Qt's: they know the scaling the user set
    WindowList* windowList = nullptr;
    WindowState* windowState = nullptr;
    Dialogs* dialogs = nullptr;
};

// What the toolkit's side makes for a capture with windows on Wayland.
struct WaylandWindows {
    // The grabber of a desktop service (KWin's screenshot interface, the portal); none:
    // screencopy, or no way to read the screen (then `permissionProbe` says why).
    ScreenGrabber* desktopGrabber = nullptr;
    PermissionProbe* permissionProbe = nullptr;  // none: no permission to ask for
    Clipboard* windowClipboard = nullptr;        // none: the clipboard helper serves it
    WindowList* windowList = nullptr;
    WindowState* windowState = nullptr;
    Dialogs* dialogs = nullptr;
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

    // Until a kind of run is assembled: the system's services only (log, clock, exit, signals,
    // the clipboard helper), enough to read the launch request.
    const PlatformServices& services() const { return m_services; }

    // X11 without the toolkit, with the screens read through our own connection; false, with
    // nothing assembled, when only Qt can tell them (a scaling variable that only it reads).
    bool assembleX11Automatic();
    // X11 with windows (also an automatic capture that needed the toolkit).
    void assembleX11WithWindows(const X11Windows& windows);
    // Wayland without the toolkit: screencopy, and a clipboard no window needs to offer.
    void assembleWaylandAutomatic();
    // Wayland with windows: every output frozen at the first grab, before anything is shown.
    void assembleWaylandWithWindows(const WaylandWindows& windows);

    // What the toolkit's side builds on.
    std::shared_ptr<XcbConnection> xcbConnection() const;
    std::shared_ptr<WaylandDisplay> waylandDisplay() const;
    WaylandScreens* waylandScreens() const;
    WaylandCapture waylandCapture() const;
    // Wayland without data control (GNOME): only a focused window of ours can set the clipboard.
    bool needsWindowForClipboard() const;

private:
    struct Parts;
    PlatformServices systemServices() const;
    // For tests, every grab the capture gets is also written to a file: `grabber` wrapped so.
    ScreenGrabber* recorded(ScreenGrabber* grabber);

    std::unique_ptr<Parts> m_parts;
    PlatformServices m_services;
};
