#include "annotate/arrow_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// Truncation toward zero; clamped so that coordinates far off screen cannot overflow.
int64_t truncated(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = INT_MAX;
    return static_cast<int64_t>(std::trunc(std::clamp(v, -kLimit, kLimit)));
}

}  // namespace

int arrowHeadLength(PenSize penSize) {
    if (penSize == PenSize::Little) return 10;
    if (penSize == PenSize::Big) return 30;
    return 20;
}

std::vector<Point> arrowPolygon(Point start, Point end, PenSize penSize) {
    const int64_t sx = truncated(start.x), sy = truncated(start.y);
    const int64_t ex = truncated(end.x), ey = truncated(end.y);
    // From the tip back to the start. 64-bit: the squares of screen-wide distances would
    // overflow 32 bits only far off screen, but then they must not.
    const int64_t dx = sx - ex, dy = sy - ey;
    const float len = std::sqrt(static_cast<float>(dx * dx + dy * dy));
    if (!(len > 0)) return {};
    const int64_t L = arrowHeadLength(penSize);
    const int64_t dx2 = dx / 2, dy2 = dy / 2, dx4 = dx / 4, dy4 = dy / 4;
    const auto at = [&](int64_t along, int64_t across) {
        const float x = static_cast<float>(ex) + static_cast<float>(L * along) / len;
        const float y = static_cast<float>(ey) + static_cast<float>(L * across) / len;
        return Point{x, y};
    };
    const Point p1 = at(dx + dy2, dy - dx2);
    const Point p2 = at(dx - dy2, dy + dx2);
    const Point p3 = at(dx + dy4, dy - dx4);
    const Point p4 = at(dx - dy4, dy + dx4);
    const Point s{static_cast<double>(sx), static_cast<double>(sy)};
    const Point e{static_cast<double>(ex), static_cast<double>(ey)};
    return {s, p3, p1, e, p2, p4};
}
