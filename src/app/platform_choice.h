#pragma once
// Which window system the tool talks to, decided once at start from the environment: a Wayland
// session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland) uses the Wayland back end, every
// other the X11 one; QUILLET_PLATFORM=x11 or =wayland forces one.

#include <QString>
#include <functional>
#include <optional>
#include <string>

enum class WindowSystem { X11, Wayland };

struct PlatformChoice {
    std::optional<WindowSystem> system;  // none: `problem` says why
    QString problem;
};

// `variable` returns an environment variable's value, nothing when it is not set.
PlatformChoice choosePlatform(
    const std::function<std::optional<std::string>(const char* name)>& variable);

// The same from this process's environment.
PlatformChoice choosePlatformFromEnvironment();

// The value of QUILLET_PLATFORM that names `system`.
const char* platformName(WindowSystem system);

// How a Wayland session's screen is read: wlroots' screencopy where the compositor offers it;
// else KWin's own screenshot interface where KWin serves us (KDE Plasma), the desktop portal
// otherwise (GNOME). QUILLET_WAYLAND_CAPTURE=screencopy, =kwin or =portal forces one.
enum class WaylandCapture { Screencopy, KWin, Portal, KWinElsePortal };

struct WaylandCaptureChoice {
    std::optional<WaylandCapture> capture;  // none: `problem` says why
    QString problem;
};

WaylandCaptureChoice chooseWaylandCapture(bool screencopyOffered,
                                          const std::optional<std::string>& forced);

// How a Wayland session's clipboard outlives the capture: a helper owns it through wlroots'
// data control where the compositor offers it (sway, KWin); else, where an Xwayland display is
// reachable (GNOME), the helper owns the X11 CLIPBOARD there, which the compositor hands to
// Wayland clients and keeps after the helper has gone; else only a focused window of the
// capture may offer it (see Clipboard::needsFocusedWindow). QUILLET_WAYLAND_CLIPBOARD forces
// one: data-control, xwayland or toolkit.
enum class WaylandClipboard { DataControl, XwaylandSelection, FocusedWindow };

WaylandClipboard chooseWaylandClipboard(bool dataControlOffered, bool xwaylandReachable,
                                        const std::optional<std::string>& forced);

// The value of QUILLET_WAYLAND_CLIPBOARD that names `route`, which the helper reads.
const char* waylandClipboardName(WaylandClipboard route);
