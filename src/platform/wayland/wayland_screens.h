#pragma once
// The outputs of a Wayland compositor as screens, read from our own connection (no
// QGuiApplication needed). A Wayland client learns where the pointer is only while the pointer
// is over one of its surfaces: the pointer is where the toolkit last saw it over one of our
// windows (see followPointerWith); before that, where the compositor said it was when asked
// once (see PointerProbe: sway and KWin tell), else at the main screen's centre (GNOME).

#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop_screens.h"
#include "platform/wayland/pointer_probe.h"
#include "platform/wayland/wayland_display.h"

class WaylandScreens : public DesktopScreens {
public:
    explicit WaylandScreens(std::shared_ptr<WaylandDisplay> display)
        : m_display(display), m_probe(std::move(display)) {}
    std::vector<DesktopScreen> desktop() override;
    Point desktopPointer() override;
    bool pointerSeenEverywhere() override { return false; }

    // Where our windows last saw the pointer, in desktop points; nothing before they have.
    void followPointerWith(std::function<std::optional<Point>()> lastSeen) {
        m_lastSeen = std::move(lastSeen);
    }

private:
    std::shared_ptr<WaylandDisplay> m_display;
    std::function<std::optional<Point>()> m_lastSeen;
    PointerProbe m_probe;
    bool m_probed = false;
    std::optional<Point> m_probedPointer;
};
