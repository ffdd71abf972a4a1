#pragma once
// Window state on Wayland: the compositor always composes, so a translucent window is seen as
// such; a client cannot see other windows or its own frame, so a hidden window counts as gone
// at once.

#include "platform/window_state.h"

class WaylandWindowState : public WindowState {
public:
    bool compositingManagerRuns() override { return true; }
    uintptr_t screenTopLevel(uintptr_t) override { return 0; }
    bool isOffScreen(uintptr_t) override { return true; }
};
