#pragma once
// Cutting a rectangle out of a picture of part of the display, at the picture's own pixel
// density: shared by the grabbers that take a whole screen (or desktop) and hand out parts.

#include "platform/geometry.h"
#include "platform/pixels.h"

// The part `wanted` of `picture`, which shows `shown` (both in display coordinates, points).
// The result keeps the picture's pixels per point (its width over `shown`'s) as its device
// pixel ratio; whatever lies beyond the picture is black.
Pixels cropDisplayRect(const Pixels& picture, const Rect& shown, const Rect& wanted);
