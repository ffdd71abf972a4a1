#pragma once
// Conversions between the coordinate systems the platform layer meets. Qt's virtual desktop:
// device-independent pixels, top-left origin, y down. The X root window: device pixels, same
// orientation. Display coordinates: points from the top-left corner of the main screen, y down.
// User-interface coordinates: points from the bottom-left corner of the main screen, y up.

#include <vector>

#include "platform/geometry.h"
#include "platform/screens.h"

// One screen as Qt describes it. Qt keeps a scaled screen's top-left corner at its device
// pixel position and divides only its size by the device pixel ratio, so the corner is shared
// by both the device-independent and the device pixel geometry.
struct DesktopScreen {
    Rect geometry;  // x, y: top-left corner in the virtual desktop; y grows downwards
    double devicePixelRatio = 1;
};

// A rectangle of the X root window in device pixels, with the ratio to points used for it.
struct RootArea {
    Rect pixels;  // x, y: top-left corner; y grows downwards
    double devicePixelRatio = 1;
};

// In every function below `desktop` lists the screens with the main screen first; an empty
// list stands for one screen at device pixel ratio 1 whose corner is the origin.

std::vector<ScreenInfo> uiScreensFromDesktop(const std::vector<DesktopScreen>& desktop);

// The main screen's height and corner; an empty desktop places windows from the origin and
// knows no height.
WindowPlacement windowPlacementFromDesktop(const std::vector<DesktopScreen>& desktop);

// The pointer's desktop position names a pixel; the result is that pixel's top-left corner,
// as for mouse events (see view_transform.h): the main screen's top row is at its height.
Point uiPointerFromDesktop(Point desktopPointer, const std::vector<DesktopScreen>& desktop);

// Between display and user-interface coordinates only the vertical axis flips, about the
// main screen's height.
Rect displayRectFromUi(const Rect& ui, double mainScreenHeight);
Rect uiRectFromDisplay(const Rect& display, double mainScreenHeight);

// A root-window rectangle is scaled by the screen it overlaps most (the main screen when it
// overlaps none); the reverse picks the screen the same way in display coordinates.
Rect displayRectFromRoot(const Rect& rootPixels, const std::vector<DesktopScreen>& desktop);
RootArea rootAreaFromDisplay(const Rect& display, const std::vector<DesktopScreen>& desktop);
