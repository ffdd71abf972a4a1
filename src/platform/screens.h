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

class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<ScreenInfo> screens() = 0;
    virtual Point pointerPosition() = 0;
};
