#pragma once
// Frozen covers over the screens a capture does not show, where the pointer can be seen only
// over our own windows (see Screens::pointerSeenEverywhere): each screen shows its picture as
// frozen at the start, darkened like the capture's surroundings, so that the whole desktop
// stands still and the pointer is seen wherever it goes. The pointer follower then moves the
// capture to the screen the pointer is over.

#include <QWidget>
#include <memory>
#include <vector>

#include "platform/geometry.h"
#include "platform/platform_services.h"

class ScreenCovers {
public:
    explicit ScreenCovers(const PlatformServices& platform) : m_platform(platform) {}
    ~ScreenCovers();

    // Covers every screen but `captured` (user-interface coordinates), when the platform needs
    // covers; the covers of an earlier call go.
    void coverAllBut(const Rect& captured);
    void hideAll();
    // The covers shown now, one per screen.
    std::size_t count() const { return m_covers.size(); }

private:
    PlatformServices m_platform;
    std::vector<std::unique_ptr<QWidget>> m_covers;
};
