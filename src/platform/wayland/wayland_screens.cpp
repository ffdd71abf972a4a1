#include "platform/wayland/wayland_screens.h"

std::vector<DesktopScreen> WaylandScreens::desktop() {
    std::vector<DesktopScreen> screens;
    for (const WaylandOutput& o : m_display->outputs()) {
        if (o.logical.width <= 0 || o.logical.height <= 0) continue;
        const bool turned = o.transform % 2 == 1;
        const double pixels = turned ? o.pixelHeight : o.pixelWidth;
        const double ratio = pixels > 0 ? pixels / o.logical.width : double(o.scale);
        screens.push_back({o.logical, ratio});
    }
    return screens;
}

namespace {

// A compositor that maps a surface under the pointer tells at once (sway within the round
// trip, KWin with its next frame).
constexpr int kProbeTimeoutMs = 150;

}  // namespace

Point WaylandScreens::desktopPointer() {
    if (m_lastSeen) {
        if (const std::optional<Point> seen = m_lastSeen()) return *seen;
    }
    if (!m_probed) {
        m_probed = true;
        m_probedPointer = m_probe.locate(kProbeTimeoutMs);
    }
    if (m_probedPointer) return *m_probedPointer;
    const std::vector<DesktopScreen> screens = desktop();
    if (screens.empty()) return {};
    const Rect& main = screens.front().geometry;
    return {main.x + main.width / 2, main.y + main.height / 2};
}
