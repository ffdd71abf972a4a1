#pragma once

#include "platform/window_list.h"

class FakeWindowList : public WindowList {
public:
    std::vector<Rect> onScreenWindows() override {
        ++calls;
        return windows;
    }
    void notifyChanges(std::function<void()> changed) override {
        this->changed = std::move(changed);
    }
    std::vector<Rect> windows;
    int calls = 0;
    std::function<void()> changed;  // what the capture asked to hear of changes
};
