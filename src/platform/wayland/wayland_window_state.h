#pragma once
// Window state on Wayland: the compositor always composes, so a translucent window is seen as
// such; a client cannot see other windows or its own frame, so a hidden window counts as gone
// once the compositor has handled everything the toolkit asked before (one round trip on its
// connection). An activation is confirmed by a commit of its own (see confirmActivation).

#include "platform/window_state.h"

class WaylandWindowState : public WindowState {
public:
    // `mutter`: the compositor is Mutter (GNOME), which places dialogs like any window.
    explicit WaylandWindowState(bool mutter = false) : m_mutter(mutter) {}
    bool placesDialogsOverTheirWindow() override { return !m_mutter; }
    bool compositingManagerRuns() override { return true; }
    uintptr_t screenTopLevel(uintptr_t) override { return 0; }
    bool isOffScreen(uintptr_t) override;
    // A compositor may hold a new full-screen window off the screen until the window commits
    // after acknowledging its last configuration (sway waits up to 200 ms for that). Qt
    // acknowledges one that changes nothing it draws without committing, and once it has
    // committed a frame whose callback the compositor keeps back until the window is shown, it
    // paints nothing more before then: the surface is committed here, with nothing new on it.
    // Only on activation: an empty commit of a window never activated (the covers of the other
    // outputs) was seen to leave it off the screen for good on sway, one run in two.
    void confirmActivation(QWindow* window) override;

private:
    bool m_mutter;
};
