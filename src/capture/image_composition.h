#pragma once
// Cutting the finished image out of the flattened screen image.

#include <QImage>

#include "platform/geometry.h"

// The device-pixel rectangle (top-left origin) of a selection given in view coordinates on a
// screen `screenHeight` points high, with edges rounded to whole pixels.
QRect selectionPixelRect(const Rect& selection, double screenHeight, double devicePixelRatio);

// The pixels of `screen` inside `selection`, at the screen image's device resolution. A part
// of the selection outside the screen image is transparent. Null for an empty selection.
QImage cutSelection(const QImage& screen, const Rect& selection, double screenHeight);

// The screen darkened for the area outside the selection: every colour times 0.67.
QImage darkenedScreen(const QImage& screen);
