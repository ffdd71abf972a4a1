#pragma once
// What the text tests look for on the screen while an input method composes: more changed
// pixels (test_images::changedPixels), or pixels of the text's colour, than a blinking caret
// makes.

#include <QImage>

#include <algorithm>
#include "support/test_images.h"

namespace text_area {

inline int differingPixels(const QImage& a, const QImage& b) {
    return test_images::pixelCount(test_images::changedPixels(a, b));
}

// A caret is one pixel wide and about a line high; a glyph of 16-pixel text is more.
inline constexpr int kMoreThanACaret = 40;

inline int pixelsOf(const QImage& area, QRgb colour) {
    int n = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) n += area.pixel(x, y) == colour;
    }
    return n;
}

// The column right of the rightmost pixel of `colour`; 0 when there is none.
inline int rightOf(const QImage& area, QRgb colour) {
    int right = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            if (area.pixel(x, y) == colour) right = std::max(right, x + 1);
        }
    }
    return right;
}

}  // namespace text_area
