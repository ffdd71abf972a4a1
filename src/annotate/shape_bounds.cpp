#include "annotate/shape_bounds.h"

#include <algorithm>
#include <cmath>

#include "annotate/arrow_geometry.h"
#include "annotate/pen_widths.h"

namespace {

// Anti-aliasing reaches one pixel beyond the geometry; one more for rounding at 2x.
constexpr double kSmoothing = 2;
// Miter joins reach up to their limit (5 half-widths) from the join point.
constexpr double kMiterReach = 2.5;

Rect grown(const Rect& r, double by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

}  // namespace

Rect spannedRect(Point a, Point b) {
    const float ax = static_cast<float>(a.x), ay = static_cast<float>(a.y);
    const float bx = static_cast<float>(b.x), by = static_cast<float>(b.y);
    return {std::min(ax, bx), std::min(ay, by), std::fabs(ax - bx), std::fabs(ay - by)};
}

Rect pointBounds(std::span<const Point> points) {
    if (points.empty()) return {};
    double l = points[0].x, r = l, b = points[0].y, t = b;
    for (const Point& p : points) {
        l = std::min(l, p.x);
        r = std::max(r, p.x);
        b = std::min(b, p.y);
        t = std::max(t, p.y);
    }
    return {l, b, r - l, t - b};
}

double shapeLineWidth(const DrawShape& s) {
    switch (s.m_eType) {
        case ToolType::ToolGlitter:
            return glitterLineWidth(s.m_penSize);
        case ToolType::ToolMosaic:
            return GetMosaicDrawSizeByPenSize(s.m_penSize);
        default:
            return penPoints(s.m_penSize);
    }
}

Rect shapeBounds(const DrawShape& s) {
    switch (s.m_eType) {
        case ToolType::ToolRect:
        case ToolType::ToolEllipse:
            return s.m_rect;
        case ToolType::ToolArrow:
            return spannedRect(s.m_startPoint, s.m_endPoint);
        case ToolType::ToolBrush:
        case ToolType::ToolGlitter:
        case ToolType::ToolMosaic:
            return pointBounds(s.brushPoints);
        case ToolType::ToolText:
            return s.m_textrect;
        default:
            return {};
    }
}

Rect penRepaintArea(const DrawShape& pen) {
    switch (pen.m_eType) {
        case ToolType::ToolRect:
        case ToolType::ToolEllipse:
            // Corners of a rectangle's outline reach half the width diagonally.
            return grown(pen.m_rect, penPoints(pen.m_penSize) + kSmoothing);
        case ToolType::ToolArrow: {
            const std::vector<Point> polygon =
                arrowPolygon(pen.m_startPoint, pen.m_endPoint, pen.m_penSize);
            if (polygon.empty()) return {};
            return grown(pointBounds(polygon), kSmoothing);
        }
        case ToolType::ToolBrush:
        case ToolType::ToolGlitter:
        case ToolType::ToolMosaic: {
            const auto& points = pen.brushPoints;
            if (points.size() < 2) return {};
            const size_t first = points.size() >= 3 ? points.size() - 3 : 0;
            const Rect last = pointBounds(std::span(points).subspan(first));
            return grown(last, kMiterReach * shapeLineWidth(pen) + kSmoothing);
        }
        default:
            return {};
    }
}
