#pragma once
// Cutting the finished image out of the screen's pixels: the selection, given in view
// coordinates, becomes a rectangle of device pixels.

#include <QRect>
#include <QString>

#include "platform/geometry.h"
#include "platform/pixels.h"

// The largest image a capture makes: 32767 pixels a side (the X protocol's and most image
// programs' limit) and 2^28 pixels in all (1 GiB of 32-bit pixels).
inline constexpr long long kMaxImageSide = 32767;
inline constexpr long long kMaxImagePixels = 1LL << 28;

// The device-pixel rectangle (top-left origin) of a selection given in view coordinates on a
// screen `screenHeight` points high, with edges rounded to whole pixels. Empty when the
// rectangle cannot be a capture's image (no area, or beyond the limits above).
QRect selectionPixelRect(const Rect& selection, double screenHeight, double devicePixelRatio);

// The pixels of `screen` inside `selection`, at the screen's device resolution: the same
// memory for the whole screen, else a copy. A part of the selection outside the screen is
// transparent. Null when there is no image to make; `problem` then says why ("the selection
// 10x0 has no area").
Pixels cutSelection(const Pixels& screen, const Rect& selection, double screenHeight,
                    QString* problem = nullptr);
