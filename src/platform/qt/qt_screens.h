#pragma once
// The screens and the pointer as Qt sees them. Needs a QGuiApplication; without screens it
// reports none and the pointer at Qt's position measured from the desktop origin.

#include <vector>

#include "platform/desktop_screens.h"

// Qt's screens with the primary one first, for the conversions in screen_coordinates.h.
std::vector<DesktopScreen> desktopScreens();

class QtScreens : public DesktopScreens {
public:
    std::vector<DesktopScreen> desktop() override { return desktopScreens(); }
    Point desktopPointer() override;
};
