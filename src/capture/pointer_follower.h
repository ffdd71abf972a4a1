#pragma once
// Follows the pointer to another screen before a selection starts: every 0.1 s, while the
// capture wants it, the pointer is read; once it stands on a screen other than the captured
// one, the capture is told to start again there. Between moves it costs one pointer query.

#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/geometry.h"

class Screens;

class PointerFollower : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> wanted;          // following makes sense now
        std::function<Rect()> capturedScreen;  // the screen the capture shows
        std::function<void()> pointerOnOtherScreen;
    };
    PointerFollower(Screens& screens, Hooks hooks);

    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    bool active() const { return m_timer.isActive(); }
    // One look at the pointer, as the timer takes it.
    void step();

private:
    Screens& m_screens;
    Hooks m_hooks;
    QTimer m_timer;
    struct {
        int x = -1000000;
        int y = -1000000;
    } m_lastPointer;
};
