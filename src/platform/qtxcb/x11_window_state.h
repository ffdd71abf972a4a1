#pragma once
// WindowState on X11, through Qt's own xcb connection. Without one (the offscreen platform of
// the widget tests) no compositing manager runs and every window counts as off the screen.

#include "platform/window_state.h"

class X11WindowState : public WindowState {
public:
    bool compositingManagerRuns() override;
    uintptr_t screenTopLevel(uintptr_t nativeId) override;
    bool isOffScreen(uintptr_t topLevel) override;
};
