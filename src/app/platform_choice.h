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

// How a Wayland session's screen is read: wlroots' screencopy where the compositor offers it,
// else the desktop portal (GNOME, KDE Plasma). QUILLET_WAYLAND_CAPTURE=screencopy or =portal
// forces one.
enum class WaylandCapture { Screencopy, Portal };

struct WaylandCaptureChoice {
    std::optional<WaylandCapture> capture;  // none: `problem` says why
    QString problem;
};

WaylandCaptureChoice chooseWaylandCapture(bool screencopyOffered,
                                          const std::optional<std::string>& forced);
