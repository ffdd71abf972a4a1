#pragma once
// The eight handles of a selection and the hit test shared by painting and the mouse.
// Index order: 0 bottom-left, 1 left middle, 2 top-left, 3 top middle, 4 top-right,
// 5 right middle, 6 bottom-right, 7 bottom middle; 8 inside the selection; -1 outside.

#include <array>

#include "platform/geometry.h"

inline constexpr int kHandleInside = 8;
inline constexpr int kHandleOutside = -1;
inline constexpr double kHandleSize = 6;

// The 6 x 6 squares centred on the handle anchors.
std::array<Rect, 8> dragRects(const Rect& selection);

// The handle whose inscribed disc holds `p` (boundary included), else 8 inside `selection`,
// else -1. `handles` are the squares as last painted.
int isInDragPoints(const std::array<Rect, 8>& handles, const Rect& selection, Point p);
