#pragma once
// A screen grabber that freezes the whole desktop at its first grab: every screen is grabbed
// then, before anything of ours is shown, and every later grab is cut from those pictures.
// Where a program cannot follow the pointer across the screens (Wayland), the capture shows a
// frozen cover on each screen and moves to another one only once the pointer is over it: by
// then our own windows are all that screen shows, so it must not be grabbed again.

#include <vector>

#include "platform/screen_grabber.h"
#include "platform/screens.h"

class FrozenDesktopGrabber : public ScreenGrabber {
public:
    FrozenDesktopGrabber(ScreenGrabber& grabber, Screens& screens)
        : m_grabber(grabber), m_screens(screens) {}

    Pixels grab(const Rect& displayRect) override;
    QString lastError() const override { return m_grabber.lastError(); }
    bool displayLost() const override { return m_grabber.displayLost(); }

private:
    struct Frozen {
        Rect display;  // the screen, in display coordinates
        Pixels image;
    };
    // Every screen's picture; false when one could not be grabbed.
    bool freeze();

    ScreenGrabber& m_grabber;
    Screens& m_screens;
    std::vector<Frozen> m_frozen;
    bool m_freezeFailed = false;
};
