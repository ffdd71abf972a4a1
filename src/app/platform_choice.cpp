#include "app/platform_choice.h"

#include <cstdlib>

PlatformChoice choosePlatform(
    const std::function<std::optional<std::string>(const char* name)>& variable) {
    if (const auto forced = variable("QUILLET_PLATFORM"); forced && !forced->empty()) {
        if (*forced == platformName(WindowSystem::X11)) return {WindowSystem::X11, {}};
        if (*forced == platformName(WindowSystem::Wayland)) return {WindowSystem::Wayland, {}};
        return {std::nullopt, QStringLiteral("QUILLET_PLATFORM is \"%1\"; it may be x11 or wayland")
                                  .arg(QString::fromStdString(*forced))};
    }
    const auto display = variable("WAYLAND_DISPLAY");
    const auto session = variable("XDG_SESSION_TYPE");
    if ((display && !display->empty()) || session == "wayland") {
        return {WindowSystem::Wayland, {}};
    }
    return {WindowSystem::X11, {}};
}

PlatformChoice choosePlatformFromEnvironment() {
    return choosePlatform([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    });
}

WaylandCaptureChoice chooseWaylandCapture(bool screencopyOffered,
                                          const std::optional<std::string>& forced) {
    if (forced && *forced == "portal") return {WaylandCapture::Portal, {}};
    if (forced && *forced == "kwin") return {WaylandCapture::KWin, {}};
    if (forced && *forced == "screencopy") {
        if (screencopyOffered) return {WaylandCapture::Screencopy, {}};
        return {std::nullopt,
                QStringLiteral("the Wayland compositor offers no screencopy (wlr-screencopy)")};
    }
    if (forced && !forced->empty()) {
        return {std::nullopt,
                QStringLiteral(
                    "QUILLET_WAYLAND_CAPTURE is \"%1\"; it may be screencopy, kwin or portal")
                    .arg(QString::fromStdString(*forced))};
    }
    return {screencopyOffered ? WaylandCapture::Screencopy : WaylandCapture::KWinElsePortal, {}};
}

WaylandClipboard chooseWaylandClipboard(bool dataControlOffered, bool xwaylandReachable,
                                        const std::optional<std::string>& forced) {
    using enum WaylandClipboard;
    for (const WaylandClipboard route : {DataControl, XwaylandSelection, FocusedWindow}) {
        if (forced && *forced == waylandClipboardName(route)) return route;
    }
    if (dataControlOffered) return DataControl;
    return xwaylandReachable ? XwaylandSelection : FocusedWindow;
}

const char* waylandClipboardName(WaylandClipboard route) {
    switch (route) {
        case WaylandClipboard::DataControl:
            return "data-control";
        case WaylandClipboard::XwaylandSelection:
            return "xwayland";
        case WaylandClipboard::FocusedWindow:
            break;
    }
    return "toolkit";
}

const char* platformName(WindowSystem system) {
    return system == WindowSystem::Wayland ? "wayland" : "x11";
}
