#include "capture/pointer_follower.h"

#include "capture/screen_geometry.h"
#include "platform/screens.h"

namespace {
constexpr int kFollowMouseIntervalMs = 100;
}

PointerFollower::PointerFollower(Screens& screens, Hooks hooks)
    : m_screens(screens), m_hooks(std::move(hooks)) {
    m_timer.setInterval(kFollowMouseIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PointerFollower::step);
}

void PointerFollower::step() {
    if (!m_hooks.wanted()) return;
    const Point pointer = m_screens.pointerPosition();
    const int x = static_cast<int>(pointer.x);
    const int y = static_cast<int>(pointer.y);
    if (x == m_lastPointer.x && y == m_lastPointer.y) return;
    m_lastPointer = {x, y};
    const Rect screen = getScreensRect(m_screens.screens(), true, pointer);
    const Rect captured = m_hooks.capturedScreen();
    if (static_cast<int>(screen.x) == static_cast<int>(captured.x) &&
        static_cast<int>(screen.y) == static_cast<int>(captured.y)) {
        return;
    }
    m_hooks.pointerOnOtherScreen();
}
