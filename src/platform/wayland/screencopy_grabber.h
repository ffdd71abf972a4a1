#pragma once
// The screen grab on compositors that offer wlroots' screencopy (sway, Hyprland, river,
// Wayfire, ...): the output under the asked rectangle is copied whole into shared memory at its
// device resolution, without a dialog, and the rectangle cut from it. Needs no QGuiApplication.

#include <memory>

#include "platform/screen_grabber.h"
#include "platform/wayland/wayland_display.h"

class ScreencopyGrabber : public ScreenGrabber {
public:
    explicit ScreencopyGrabber(std::shared_ptr<WaylandDisplay> display);
    Pixels grab(const Rect& displayRect) override;
    QString lastError() const override { return m_error; }
    bool displayLost() const override { return m_lost || m_display->lost(); }

    // One output's picture as the user sees it (turned and mirrored as the output is), at
    // device resolution; null on failure.
    Pixels copyOutput(const WaylandOutput& output);

private:
    std::shared_ptr<WaylandDisplay> m_display;
    QString m_error;
    bool m_lost = false;
};
