#pragma once

#include "platform/screens.h"

class FakeScreens : public Screens {
public:
    std::vector<ScreenInfo> screens() override { return list; }
    Point pointerPosition() override { return pointer; }
    std::vector<ScreenInfo> list{{{0, 0, 1440, 900}, 1}};
    Point pointer{100, 100};
};
