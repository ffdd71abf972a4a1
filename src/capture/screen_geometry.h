#pragma once
// Which screen a capture uses and how its three coordinate systems relate:
//   global user-interface coordinates: origin bottom-left of the main screen, y up;
//   global display coordinates: origin top-left of the main screen, y down;
//   view coordinates: origin bottom-left of the captured screen, y up.
// All in points.

#include <cstdint>
#include <vector>

#include "model/capture_param.h"
#include "platform/geometry.h"
#include "platform/screens.h"

// The frame of the screen containing `pt` (when `check`), else the first screen's frame.
Rect getScreensRect(const std::vector<ScreenInfo>& screens, bool check, Point pt);

// Main-screen height minus the height of the screen getScreensRect takes for `pt`; 0 with
// one screen.
float getScreenHeightDiff(const std::vector<ScreenInfo>& screens, Point pt);

// The captured screen's frame in global display coordinates, for the grab.
Rect grabRectForScreen(const Rect& rectScreen, float screenHeightDiff);

// A window's bounds (global display coordinates) in view coordinates.
Rect windowBoundsToView(const Rect& bounds, const Rect& rectScreen, float screenHeightDiff);

// A global user-interface point in view coordinates.
Point globalToView(Point global, const Rect& rectScreen);

// Clips a window rectangle to the screen (width W, height H) with a one-point margin where it
// reaches past an edge.
Rect clipWindowRect(const Rect& rect, double screenWidth, double screenHeight);

// The rectangle spanned by two points, rounded to 32-bit floats.
Rect currentRect(Point start, Point current);

// The selection offered at `p` (view coordinates): the front-most window holding the pixel at `p`,
// clipped, or else the whole screen. `windows` are in global display coordinates.
Rect windowSelectionAt(const std::vector<Rect>& windows, Point p, const Rect& rectScreen,
                       float screenHeightDiff);

// The automatic capture's selection in view coordinates: the whole screen for flag 2, the
// parameter rectangle (top-left origin) for flag 1. Not clipped to the screen.
Rect automaticCaptureRect(const CaptureParam& param, const Rect& rectScreen);
