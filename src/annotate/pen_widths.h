#pragma once
// Line widths that follow from a pen size.

#include "annotate/pen_size.h"

// Glitter is wider than the pen so that it reads as a highlighter.
constexpr int glitterLineWidth(PenSize penSize) {
    switch (penSize) {
        case PenSize::Little:
            return 5;
        case PenSize::Mid:
            return 8;
        case PenSize::Big:
            return 14;
    }
    return 8;
}

// Mosaic strokes hide content, so even the small pen is 12 points wide.
constexpr float GetMosaicDrawSizeByPenSize(PenSize penSize) {
    switch (penSize) {
        case PenSize::Little:
            return 12;
        case PenSize::Mid:
            return 20;
        case PenSize::Big:
            return 30;
    }
    return 30;
}
