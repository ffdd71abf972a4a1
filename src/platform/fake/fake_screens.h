#pragma once

#include "platform/screens.h"

class FakeScreens : public Screens {
public:
    std::vector<ScreenInfo> screens() override { return list; }
    Point pointerPosition() override { return pointer; }
    WindowPlacement windowPlacement() override {
        return {list.empty() ? 0 : list.front().frame.height, corner};
    }
    std::vector<ScreenInfo> list{{{0, 0, 1440, 900}, 1}};
    Point pointer{100, 100};
    Point corner;  // the main screen's corner in the window system's desktop
};
