#pragma once
// Readable failure messages for the geometry types.

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
