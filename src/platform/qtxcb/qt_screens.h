#pragma once
// The screens and the pointer as Qt sees them, converted to global user-interface
// coordinates (see platform/screens.h). Needs a QGuiApplication; without screens it reports
// none and the pointer at Qt's position measured from the desktop origin.

#include <vector>

#include "platform/screen_coordinates.h"
#include "platform/screens.h"

// Qt's screens with the primary one first, for the conversions in screen_coordinates.h.
std::vector<DesktopScreen> desktopScreens();

class QtScreens : public Screens {
public:
    std::vector<ScreenInfo> screens() override;
    Point pointerPosition() override;
};
