#pragma once
// The screens and the pointer, in global user-interface coordinates: points, origin at the
// bottom-left corner of the main screen, y up. The main screen (Qt's primary) comes first
// and its frame starts at (0, 0).

#include <vector>

#include "platform/geometry.h"

struct ScreenInfo {
    Rect frame;
    double devicePixelRatio = 1;
    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// Where windows are placed: the window system's desktop (device-independent pixels, y down),
// in which the main screen, `mainScreenHeight` points high, has its top-left corner at
// `mainCorner`.
struct WindowPlacement {
    double mainScreenHeight = 0;
    Point mainCorner;
    // A user-interface rectangle as a rectangle of that desktop.
    Rect desktopRect(const Rect& ui) const;
};

class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<ScreenInfo> screens() = 0;
    virtual Point pointerPosition() = 0;
    virtual WindowPlacement windowPlacement() = 0;
    // Whether the pointer can be read wherever it is. Where it is known only over this
    // program's own windows (Wayland), a capture covers every screen to see it move.
    virtual bool pointerSeenEverywhere() { return true; }
};
