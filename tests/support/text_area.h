#pragma once
// What the text tests look for on the screen while an input method composes: more changed
// pixels, or pixels of the text's colour, than a blinking caret makes.

#include <QImage>
#include <algorithm>

namespace text_area {

// A caret is one pixel wide and about a line high; a glyph of 16-pixel text is more.
inline constexpr int kMoreThanACaret = 40;

inline int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    }
    return n;
}

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
