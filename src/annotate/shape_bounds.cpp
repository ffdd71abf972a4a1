#include "annotate/shape_bounds.h"

#include <algorithm>

#include "annotate/arrow_geometry.h"
#include "annotate/pen_widths.h"

namespace {

// Anti-aliasing reaches one pixel beyond the geometry; one more for rounding at 2x.
constexpr double kSmoothing = 2;
// Miter joins reach up to their limit (5 half-widths) from the join point.
constexpr double kMiterReach = 2.5;

Rect boundsOf(const Point* first, const Point* end) {
    double l = first->x, r = first->x, b = first->y, t = first->y;
    for (const Point* p = first; p != end; ++p) {
        l = std::min(l, p->x);
        r = std::max(r, p->x);
        b = std::min(b, p->y);
        t = std::max(t, p->y);
    }
    return {l, b, r - l, t - b};
}

Rect grown(const Rect& r, double by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

double freehandWidth(const DrawShape& s) {
    switch (s.m_eType) {
        case ToolType::ToolGlitter:
            return glitterLineWidth(s.m_penSize);
        case ToolType::ToolMosaic:
            return GetMosaicDrawSizeByPenSize(s.m_penSize);
        default:
            return penPoints(s.m_penSize);
    }
}

}  // namespace

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
            return grown(boundsOf(polygon.data(), polygon.data() + polygon.size()), kSmoothing);
        }
        case ToolType::ToolBrush:
        case ToolType::ToolGlitter:
        case ToolType::ToolMosaic: {
            const auto& points = pen.brushPoints;
            if (points.size() < 2) return {};
            const size_t first = points.size() >= 3 ? points.size() - 3 : 0;
            const Rect last = boundsOf(points.data() + first, points.data() + points.size());
            return grown(last, kMiterReach * freehandWidth(pen) + kSmoothing);
        }
        default:
            return {};
    }
}
