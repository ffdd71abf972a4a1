#pragma once
// Line widths that follow from a pen size (the tool bar offers 1, 2 and 6).

// Glitter is wider than the pen so that it reads as a highlighter.
constexpr int glitterLineWidth(int penSize) {
    if (penSize == 2) return penSize + 6;
    if (penSize == 6) return penSize + 8;
    return penSize + 4;
}

// Mosaic strokes hide content, so even the small pen is 12 points wide.
constexpr float GetMosaicDrawSizeByPenSize(int penSize) {
    switch (penSize) {
        case 1:
            return 12;
        case 2:
            return 20;
        default:
            return 30;
    }
}
