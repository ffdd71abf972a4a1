#pragma once

#include "platform/permission_probe.h"

class FakePermissionProbe : public PermissionProbe {
public:
    bool systemHasRecordingPermission() override { return hasPermissionSystem; }
    std::vector<WindowDescription> windowDescriptions() override {
        ++descriptionCalls;
        return windows;
    }
    bool hasPermissionSystem = false;
    std::vector<WindowDescription> windows;
    int descriptionCalls = 0;
};
