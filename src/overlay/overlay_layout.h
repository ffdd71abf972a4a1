#pragma once
// Where the overlay's pieces go, in view coordinates (points, bottom-left origin): the dark
// strips around the selection, the size label and the magnifier, and which pixel the
// magnifier reads.

#include <QString>
#include <optional>
#include <vector>

#include "platform/geometry.h"

inline constexpr int kMagnifierWidth = 144;
inline constexpr int kMagnifierZoomHeight = 88;

// The pieces of the dark image drawn around the selection (the whole screen without one).
// The top and right strips reach one point into the selection, under the border.
std::vector<Rect> darkStrips(const Rect& selection, Size screen);

// The size label's 70 x 20 box, or nothing without a selection, and its text "W * H".
std::optional<Rect> sizeLabelRect(const Rect& selection, Size screen);
QString sizeLabelText(const Rect& selection);

struct MagnifierLayout {
    int px = 0;
    int py = 0;
    int height = 0;   // 150 with a logo line, 132 without
    Rect zoomSource;  // in view points, around the cursor: 35 x 21
    Rect zoomTarget;
    Rect textPanel;
};

MagnifierLayout magnifierLayout(Point cursor, const Rect& selection, Size screen, bool hasLogo,
                                bool anchoredToSelection);

// The pixel the readout shows for a cursor position, in image pixels from the top-left.
// The row is kept inside the image when the cursor stands on the bottom row; positions
// truly outside the image give nothing.
struct PixelIndex {
    int x = 0;
    int y = 0;
};
std::optional<PixelIndex> readoutPixel(Point cursor, Size screen, double devicePixelRatio);

// The magnifier's two readout lines: "(x, y)" of the cursor and "RGB:#rrggbb" of its pixel.
QString magnifierPositionText(Point cursor);
QString magnifierColorText(int red, int green, int blue);
