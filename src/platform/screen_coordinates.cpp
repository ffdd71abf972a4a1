#include "platform/screen_coordinates.h"

#include <cstddef>

namespace {

// Overlap area of two top-left rectangles; Rect::intersected does not care which way y grows.
double overlapArea(const Rect& a, const Rect& b) {
    const Rect overlap = a.intersected(b);
    return overlap.width * overlap.height;
}

Rect deviceGeometry(const DesktopScreen& screen) {
    return {screen.geometry.x, screen.geometry.y, screen.geometry.width * screen.devicePixelRatio,
            screen.geometry.height * screen.devicePixelRatio};
}

// Index of the screen whose `area` overlaps `rect` most; ties go to the earlier screen, and
// a rectangle that overlaps none belongs to the main screen.
template <typename Area>
std::size_t screenFor(const Rect& rect, const std::vector<DesktopScreen>& desktop, Area area) {
    std::size_t best = 0;
    double bestOverlap = 0;
    for (std::size_t i = 0; i < desktop.size(); ++i) {
        const double overlap = overlapArea(rect, area(desktop[i]));
        if (overlap > bestOverlap) {
            best = i;
            bestOverlap = overlap;
        }
    }
    return best;
}

}  // namespace

std::vector<ScreenInfo> uiScreensFromDesktop(const std::vector<DesktopScreen>& desktop) {
    if (desktop.empty()) return {};
    const Rect& main = desktop.front().geometry;
    const double mainBottom = main.y + main.height;
    std::vector<ScreenInfo> screens;
    screens.reserve(desktop.size());
    for (const DesktopScreen& screen : desktop) {
        const Rect& g = screen.geometry;
        screens.push_back({Rect{g.x - main.x, mainBottom - (g.y + g.height), g.width, g.height},
                           screen.devicePixelRatio});
    }
    return screens;
}

Point uiPointerFromDesktop(Point desktopPointer, const std::vector<DesktopScreen>& desktop) {
    const Rect main = desktop.empty() ? Rect{} : desktop.front().geometry;
    return {desktopPointer.x - main.x, main.y + main.height - desktopPointer.y};
}

WindowPlacement windowPlacementFromDesktop(const std::vector<DesktopScreen>& desktop) {
    if (desktop.empty()) return {};
    const Rect& main = desktop.front().geometry;
    return {main.height, {main.x, main.y}};
}

Rect WindowPlacement::desktopRect(const Rect& ui) const {
    const Rect display = displayRectFromUi(ui, mainScreenHeight);
    return {mainCorner.x + display.x, mainCorner.y + display.y, display.width, display.height};
}

Rect displayRectFromUi(const Rect& ui, double mainScreenHeight) {
    return {ui.x, mainScreenHeight - (ui.y + ui.height), ui.width, ui.height};
}

Rect uiRectFromDisplay(const Rect& display, double mainScreenHeight) {
    return {display.x, mainScreenHeight - (display.y + display.height), display.width,
            display.height};
}

Rect displayRectFromRoot(const Rect& rootPixels, const std::vector<DesktopScreen>& desktop) {
    if (desktop.empty()) return rootPixels;
    const DesktopScreen& screen = desktop[screenFor(rootPixels, desktop, deviceGeometry)];
    const Rect& main = desktop.front().geometry;
    const double scale = screen.devicePixelRatio;
    const Rect& corner = screen.geometry;
    return {corner.x + (rootPixels.x - corner.x) / scale - main.x,
            corner.y + (rootPixels.y - corner.y) / scale - main.y, rootPixels.width / scale,
            rootPixels.height / scale};
}

RootArea rootAreaFromDisplay(const Rect& display, const std::vector<DesktopScreen>& desktop) {
    if (desktop.empty()) return {display, 1};
    const Rect& main = desktop.front().geometry;
    const Rect inDesktop{display.x + main.x, display.y + main.y, display.width, display.height};
    const DesktopScreen& screen =
        desktop[screenFor(inDesktop, desktop, [](const DesktopScreen& s) { return s.geometry; })];
    const double scale = screen.devicePixelRatio;
    const Rect& corner = screen.geometry;
    return {Rect{corner.x + (inDesktop.x - corner.x) * scale,
                 corner.y + (inDesktop.y - corner.y) * scale, display.width * scale,
                 display.height * scale},
            scale};
}
