#pragma once

#include "platform/window_list.h"

class FakeWindowList : public WindowList {
public:
    std::vector<Rect> onScreenWindows() override {
        ++calls;
        return windows;
    }
    std::vector<Rect> windows;
    int calls = 0;
};
