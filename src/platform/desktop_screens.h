#pragma once
// Screens described the way Qt's virtual desktop describes them (see DesktopScreen), turned
// into the user-interface coordinates of Screens. The sources: Qt itself, the X server read
// directly, and a Wayland compositor's outputs (the last two for a process without a
// QGuiApplication).

#include <vector>

#include "platform/screen_coordinates.h"
#include "platform/screens.h"

class DesktopScreens : public Screens {
public:
    // The screens with the main one first.
    virtual std::vector<DesktopScreen> desktop() = 0;
    // The pointer in the virtual desktop's device-independent pixels.
    virtual Point desktopPointer() = 0;

    std::vector<ScreenInfo> screens() final { return uiScreensFromDesktop(desktop()); }
    Point pointerPosition() final { return uiPointerFromDesktop(desktopPointer(), desktop()); }
    WindowPlacement windowPlacement() final { return windowPlacementFromDesktop(desktop()); }
};
