#pragma once
// The eight handles of a selection and the hit test shared by painting and the mouse.

#include <array>

#include "platform/geometry.h"

// What a point hits. The values are the handle indices the log and the cursor table use.
enum class Handle : int {
    Outside = -1,
    BottomLeft = 0,
    LeftMiddle = 1,
    TopLeft = 2,
    TopMiddle = 3,
    TopRight = 4,
    RightMiddle = 5,
    BottomRight = 6,
    BottomMiddle = 7,
    Inside = 8,
};

inline constexpr double kHandleSize = 6;

using HandleSquares = std::array<Rect, 8>;

// The 6 x 6 squares centred on the handle anchors, in Handle order.
HandleSquares dragRects(const Rect& selection);

// The handle whose inscribed disc holds `p` (boundary included), else Inside when `selection`
// holds `p`, else Outside. `handles` are the squares where the handles were last shown.
Handle isInDragPoints(const HandleSquares& handles, const Rect& selection, Point p);
