#pragma once
// What the prepare panel asks the X server through Qt's own connection: whether a compositing
// manager runs, and whether a window (with the frame a window manager put around it) has
// really left the screen. Without an X11 connection (offscreen tests) no compositing manager
// runs and every window counts as off the screen.

#include <xcb/xcb.h>
#include <QWidget>

namespace x11_window_state {

// The `_NET_WM_CM_S<screen>` selection has an owner.
bool compositingManagerRuns();

// The top-level window that holds `window` on the screen: its window manager's frame, or the
// window itself without one. 0 without X11.
xcb_window_t screenTopLevel(const QWidget& window);

// True once `topLevel` is no longer viewable (unmapped or destroyed). Each call is one round
// trip, so what the server reports came after every request sent before it.
bool isOffScreen(xcb_window_t topLevel);

// One more round trip.
void sync();

}  // namespace x11_window_state
