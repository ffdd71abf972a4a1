#include "platform/frozen_desktop_grabber.h"

#include <cmath>

#include "platform/screen_coordinates.h"

bool FrozenDesktopGrabber::freeze() {
    const std::vector<ScreenInfo> screens = m_screens.screens();
    const double mainHeight = screens.empty() ? 0 : screens.front().frame.height;
    for (const ScreenInfo& s : screens) {
        const Rect display = displayRectFromUi(s.frame, mainHeight);
        QImage image = m_grabber.grab(display);
        if (image.isNull()) {
            m_frozen.clear();
            return false;
        }
        m_frozen.push_back({display, std::move(image)});
    }
    return true;
}

QImage FrozenDesktopGrabber::grab(const Rect& displayRect) {
    if (m_frozen.empty() && !freeze()) return m_grabber.grab(displayRect);
    for (const Frozen& f : m_frozen) {
        if (f.display.intersected(displayRect) != displayRect) continue;
        if (f.display == displayRect) return f.image;
        const double ratio = f.image.devicePixelRatio();
        QImage part = f.image.copy(int(std::lround((displayRect.x - f.display.x) * ratio)),
                                   int(std::lround((displayRect.y - f.display.y) * ratio)),
                                   int(std::lround(displayRect.width * ratio)),
                                   int(std::lround(displayRect.height * ratio)));
        part.setDevicePixelRatio(ratio);
        return part;
    }
    // Across screens or beyond them: the screens as they are now.
    return m_grabber.grab(displayRect);
}
