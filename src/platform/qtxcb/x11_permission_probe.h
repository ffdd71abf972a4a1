#pragma once
// X11 lets every client read the screen: there is no screen-recording permission to ask for.

#include "platform/permission_probe.h"

class X11PermissionProbe : public PermissionProbe {
public:
    bool systemHasRecordingPermission() override { return false; }
    std::vector<WindowDescription> windowDescriptions() override { return {}; }
};
