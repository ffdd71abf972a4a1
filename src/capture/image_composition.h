#pragma once
// Cutting the finished image out of the flattened screen image, and darkening the screen.

#include <QImage>
#include <QString>

#include "capture/selection_cut.h"
#include "platform/geometry.h"

// The pixels of `screen` inside `selection`, at the screen image's device resolution. A part
// of the selection outside the screen image is transparent. Null when there is no image to
// make; `problem` then says why ("the selection 10x0 has no area").
QImage cutSelection(const QImage& screen, const Rect& selection, double screenHeight,
                    QString* problem = nullptr);

// The screen outside the selection is darkened by black at this alpha (0.33), which keeps
// 171/255 of every colour channel.
inline constexpr int kDarkMaskAlpha = 84;
inline constexpr unsigned kDarkMaskKeeps = 255 - kDarkMaskAlpha;

// Writes the pixels of `from` in `source` into `target` at `to`, darkened as the screen outside
// the selection is: every colour times 0.67. Only an opaque source (RGB32) and a 32-bit target
// that shares its pixels with no other image; false, having done nothing, otherwise.
bool darkenInto(const QImage& source, const QRect& from, QImage& target, QPoint to);
