#include "app/platform_choice.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct Row {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<WindowSystem> system;
};

TEST(PlatformChoice, TheSessionDecidesUnlessForced) {
    using enum WindowSystem;
    const Row rows[] = {
        {"nothing set: X11", {}, X11},
        {"an X11 session", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, X11},
        {"a Wayland socket", {{"WAYLAND_DISPLAY", "wayland-0"}}, Wayland},
        {"a Wayland session type", {{"XDG_SESSION_TYPE", "wayland"}}, Wayland},
        // XWayland gives a Wayland session a DISPLAY too: the session still decides.
        {"XWayland beside Wayland", {{"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":1"}}, Wayland},
        {"an empty socket name is no socket", {{"WAYLAND_DISPLAY", ""}}, X11},
        {"forced X11 in a Wayland session",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"QUILLET_PLATFORM", "x11"}},
         X11},
        {"forced Wayland", {{"QUILLET_PLATFORM", "wayland"}}, Wayland},
        {"an empty force is none", {{"QUILLET_PLATFORM", ""}, {"WAYLAND_DISPLAY", "w"}}, Wayland},
        {"an unknown force is refused", {{"QUILLET_PLATFORM", "X11"}}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PlatformChoice choice =
            choosePlatform([&](const char* name) -> std::optional<std::string> {
                const auto it = row.environment.find(name);
                if (it == row.environment.end()) return std::nullopt;
                return it->second;
            });
        EXPECT_EQ(choice.system, row.system);
        EXPECT_EQ(choice.problem.isEmpty(), row.system.has_value()) << choice.problem.toStdString();
    }
}

TEST(PlatformChoice, AWaylandScreenIsReadThroughScreencopyElseKWinElseThePortal) {
    using enum WaylandCapture;
    struct Case {
        const char* name;
        bool screencopy;
        std::optional<std::string> forced;
        std::optional<WaylandCapture> capture;
    };
    const Case cases[] = {
        {"wlroots compositor", true, std::nullopt, Screencopy},
        {"GNOME or KDE", false, std::nullopt, KWinElsePortal},
        {"an empty force is none", false, "", KWinElsePortal},
        {"KWin forced", true, "kwin", KWin},
        {"portal forced beside screencopy", true, "portal", Portal},
        {"screencopy forced where offered", true, "screencopy", Screencopy},
        {"screencopy forced where missing", false, "screencopy", std::nullopt},
        {"an unknown force is refused", true, "dmabuf", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WaylandCaptureChoice choice = chooseWaylandCapture(c.screencopy, c.forced);
        EXPECT_EQ(choice.capture, c.capture);
        EXPECT_EQ(choice.problem.isEmpty(), c.capture.has_value());
    }
}

TEST(PlatformChoice, AWaylandClipboardIsKeptByDataControlElseXwaylandElseAWindow) {
    using enum WaylandClipboard;
    struct Case {
        const char* name;
        bool dataControl;
        bool xwayland;
        std::optional<std::string> forced;
        WaylandClipboard route;
    };
    const Case cases[] = {
        {"sway or KWin", true, true, std::nullopt, DataControl},
        {"data control without Xwayland", true, false, std::nullopt, DataControl},
        {"GNOME with Xwayland", false, true, std::nullopt, XwaylandSelection},
        {"GNOME without Xwayland", false, false, std::nullopt, FocusedWindow},
        {"the window forced", true, true, "toolkit", FocusedWindow},
        {"Xwayland forced", true, true, "xwayland", XwaylandSelection},
        {"data control forced", false, true, "data-control", DataControl},
        {"an unknown force is none", false, true, "carrier-pigeon", XwaylandSelection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chooseWaylandClipboard(c.dataControl, c.xwayland, c.forced), c.route);
    }
}

}  // namespace
