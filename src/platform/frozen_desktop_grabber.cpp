#include "platform/frozen_desktop_grabber.h"

#include "platform/display_crop.h"
#include "platform/screen_coordinates.h"

bool FrozenDesktopGrabber::freeze() {
    const std::vector<ScreenInfo> screens = m_screens.screens();
    const double mainHeight = screens.empty() ? 0 : screens.front().frame.height;
    for (const ScreenInfo& s : screens) {
        const Rect display = displayRectFromUi(s.frame, mainHeight);
        Pixels image = m_grabber.grab(display);
        if (image.isNull()) {
            m_frozen.clear();
            return false;
        }
        m_frozen.push_back({display, std::move(image)});
    }
    return true;
}

Pixels FrozenDesktopGrabber::grab(const Rect& displayRect) {
    // A failed freeze is not tried again: each try may wait as long as the grabber's time-out.
    if (m_frozen.empty() && (m_freezeFailed || !freeze())) {
        m_freezeFailed = true;
        return {};
    }
    for (const Frozen& f : m_frozen) {
        if (f.display.intersected(displayRect) != displayRect) continue;
        return cropDisplayRect(f.image, f.display, displayRect);
    }
    // Across screens or beyond them: the screens as they are now.
    return m_grabber.grab(displayRect);
}
