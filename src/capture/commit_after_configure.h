#pragma once
// Confirms each change of a window's state or activation to the window system as it comes (see
// WindowState::confirmConfiguration): a Wayland compositor may keep a new full-screen window
// off the screen until then.

#include <QEvent>
#include <QObject>
#include <QWidget>

#include "platform/window_state.h"

class CommitAfterConfigure : public QObject {
public:
    CommitAfterConfigure(QWidget* window, WindowState* state) : QObject(window), m_state(state) {
        if (m_state != nullptr) window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::WindowActivate) {
            m_state->confirmConfiguration(static_cast<QWidget*>(watched)->windowHandle());
        }
        return false;
    }

private:
    WindowState* m_state;
};
