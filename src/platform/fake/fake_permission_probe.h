#pragma once

#include "platform/permission_probe.h"

class FakePermissionProbe : public PermissionProbe {
public:
    bool systemHasRecordingPermission() override { return hasPermissionSystem; }
    std::vector<WindowDescription> windowDescriptions() override {
        ++descriptionCalls;
        return windows;
    }
    QString recordingUnavailable() override { return unavailable; }
    QString howToAllow() override { return howTo; }
    void allowToBeAskedAgain() override { ++askedAgain; }
    bool hasPermissionSystem = false;
    QString unavailable;
    std::vector<WindowDescription> windows;
    int descriptionCalls = 0;
    QString howTo;
    int askedAgain = 0;
};
