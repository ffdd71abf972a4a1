#pragma once
// The pieces painted over the screen and the area each one covers. A repaint covers each
// piece's old and new area, so a new piece (a bar's frame, a shape being drawn) is one more
// entry here and one more case where the view paints it.

#include <array>

#include "overlay/overlay_scene.h"

enum class OverlayPiece {
    // Painted under the clip of each repainted area, in this order.
    CurrentShape,  // the shape being drawn, inside the selection only
    TextEditorFrame,
    SelectedShape,  // the marks of the finished shape selected for changes
    BorderBottom,   // each border edge with the handles on it
    BorderTop,
    BorderLeft,
    BorderRight,
    // Painted once on top of everything, unclipped.
    SizeLabel,
    Magnifier,
    Count,
};

inline constexpr int kOverlayPieceCount = static_cast<int>(OverlayPiece::Count);

inline bool paintedOnTop(OverlayPiece piece) {
    return piece >= OverlayPiece::SizeLabel;
}

// Everything a piece may touch, in view coordinates; an empty rectangle when it is not shown.
// `logoTextWidth` is the magnifier's logo line as the font measures it: a long line reaches
// past the panel and its area reaches with it.
using OverlayPieceAreas = std::array<Rect, kOverlayPieceCount>;
OverlayPieceAreas overlayPieceAreas(const OverlayScene& scene, double logoTextWidth);
