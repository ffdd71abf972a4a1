#include "capture/screen_geometry.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/view_transform.h"

Rect getScreensRect(const std::vector<ScreenInfo>& screens, bool check, Point pt) {
    if (screens.empty()) return {};
    if (screens.size() == 1) return screens.front().frame;
    if (check) {
        for (const ScreenInfo& s : screens) {
            if (s.frame.contains(pixelProbe(pt))) return s.frame;
        }
    }
    return screens.front().frame;
}

float getScreenHeightDiff(const std::vector<ScreenInfo>& screens, Point pt) {
    if (screens.size() <= 1) return 0;
    double mainHeight = 0;
    for (const ScreenInfo& s : screens) {
        if (std::trunc(s.frame.x) == 0 && std::trunc(s.frame.y) == 0) {
            mainHeight = s.frame.height;
            break;  // the main screen comes first; a mirror below it may also start at (0, 0)
        }
    }
    // The height of the screen getScreensRect takes for `pt`: where screens overlap (mirrored
    // or nested monitors) that is the first one holding the point, and a grab that used
    // another's height would come out shifted by the difference. A point on no screen (possible
    // only for a moment) counts as on the first screen.
    return static_cast<float>(mainHeight - getScreensRect(screens, true, pt).height);
}

Rect grabRectForScreen(const Rect& rectScreen, float screenHeightDiff) {
    return {rectScreen.x, screenHeightDiff - rectScreen.y, rectScreen.width, rectScreen.height};
}

Rect windowBoundsToView(const Rect& bounds, const Rect& rectScreen, float screenHeightDiff) {
    const double globalY = screenHeightDiff + (rectScreen.height - bounds.y - bounds.height);
    return {bounds.x - rectScreen.x, globalY - rectScreen.y, bounds.width, bounds.height};
}

Point globalToView(Point global, const Rect& rectScreen) {
    return {global.x - rectScreen.x, global.y - rectScreen.y};
}

Rect clipWindowRect(const Rect& rect, double screenWidth, double screenHeight) {
    Rect r = rect;
    if (r.x < 0) {
        r.width += r.x;
        r.x = 1;
    }
    if (r.y < 0) {
        r.height += r.y;
        r.y = 1;
    }
    if (r.x + r.width >= screenWidth) r.width = screenWidth - r.x - 1;
    if (r.y + r.height >= screenHeight) r.height = screenHeight - r.y - 1;
    return r;
}

Rect currentRect(Point start, Point current) {
    const auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    const double x0 = std::min(start.x, current.x), x1 = std::max(start.x, current.x);
    const double y0 = std::min(start.y, current.y), y1 = std::max(start.y, current.y);
    return {f(x0), f(y0), f(x1 - x0), f(y1 - y0)};
}

Rect windowSelectionAt(const std::vector<Rect>& windows, Point p, const Rect& rectScreen,
                       float screenHeightDiff) {
    for (const Rect& bounds : windows) {
        const Rect view = windowBoundsToView(bounds, rectScreen, screenHeightDiff);
        if (view.contains(pixelProbe(p)))
            return clipWindowRect(view, rectScreen.width, rectScreen.height);
    }
    return {0, 0, rectScreen.width, rectScreen.height};
}

Rect automaticCaptureRect(const CaptureParam& param, const Rect& rectScreen) {
    if (param.autoCaptureFlag != 1) return {0, 0, rectScreen.width, rectScreen.height};
    return {static_cast<double>(param.xPos), rectScreen.height - param.yPos - param.nHeight,
            static_cast<double>(param.nWidth), static_cast<double>(param.nHeight)};
}
