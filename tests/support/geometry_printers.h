#pragma once
// Readable failure messages for the geometry types and images.

#include <QImage>
#include <ostream>

#include "platform/geometry.h"
#include "platform/screens.h"

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "{" << p.x << ", " << p.y << "}";
}
inline void PrintTo(const ScreenInfo& s, std::ostream* os) {
    PrintTo(s.frame, os);
    *os << " x" << s.devicePixelRatio;
}

// An image by its size and the first pixel, enough to tell a turned or mirrored picture.
inline void PrintTo(const QImage& image, std::ostream* os) {
    if (image.isNull()) {
        *os << "null image";
        return;
    }
    *os << image.width() << "x" << image.height() << " image, top-left #" << std::hex
        << (image.pixel(0, 0) & 0xffffff) << std::dec;
}
