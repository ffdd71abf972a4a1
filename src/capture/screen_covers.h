#pragma once
// Frozen covers over the screens a capture does not show, where the pointer can be seen only
// over our own windows (see Screens::pointerSeenEverywhere): each screen shows its picture as
// frozen at the start, darkened like the capture's surroundings, so that the whole desktop
// stands still and the pointer is seen wherever it goes. The pointer follower then moves the
// capture to the screen the pointer is over.

#include <QEventLoop>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/geometry.h"
#include "platform/platform_services.h"

class ScreenCovers {
public:
    explicit ScreenCovers(const PlatformServices& platform);
    ~ScreenCovers();

    // Covers every screen but `captured` (user-interface coordinates), when the platform needs
    // covers. The covers of an earlier call stay until dropLeaving(): a screen the capture
    // leaves or comes to is never bare in between.
    void coverAllBut(const Rect& captured);
    bool leaving() const { return !m_leaving.empty(); }
    void dropLeaving();
    // Runs the event loop (user input waits) until the covers have painted their first frame,
    // at most `timeoutMs`: a window that goes from a screen goes once the screen is covered.
    void waitUntilPainted(int timeoutMs);
    void hideAll();
    // The covers shown now, one per screen.
    std::size_t count() const { return m_covers.size(); }

private:
    class Cover;

    PlatformServices m_platform;
    std::vector<std::unique_ptr<Cover>> m_covers;
    std::vector<std::unique_ptr<Cover>> m_leaving;
    QEventLoop* m_waiting = nullptr;
};
