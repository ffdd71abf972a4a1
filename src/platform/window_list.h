#pragma once
// The ordinary top-level windows that are on screen, front-most first, with bounds that
// include the window manager's frame, in global display coordinates: points, origin at the
// top-left corner of the main screen, y down. Never the desktop, docks, panels, menus,
// tooltips, other override-redirect windows, nor this process's own windows.

#include <functional>
#include <vector>

#include "platform/geometry.h"

class WindowList {
public:
    virtual ~WindowList() = default;
    virtual std::vector<Rect> onScreenWindows() = 0;
    // `changed` runs when onScreenWindows() has more to tell: a list that comes from another
    // process (KWin's) is empty until its answer arrives, and nothing waits for it.
    virtual void notifyChanges(std::function<void()> changed) { (void)changed; }
};
