#pragma once
// Confirms a window's activation to the window system as it comes (see
// WindowState::confirmConfiguration): a Wayland compositor may keep a new full-screen window
// off the screen until then. Only the activation: it comes with the configuration that shows
// the window, after Qt has committed its first frame. An empty commit of a window that is not
// activated (the covers of the other outputs) was seen to leave it off the screen for good on
// sway, one run in two.

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
        if (event->type() == QEvent::WindowActivate) {
            m_state->confirmConfiguration(static_cast<QWidget*>(watched)->windowHandle());
        }
        return false;
    }

private:
    WindowState* m_state;
};
