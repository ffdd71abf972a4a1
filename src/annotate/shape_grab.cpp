#include "annotate/shape_grab.h"

#include <algorithm>
#include <cmath>

#include "annotate/arrow_geometry.h"
#include "annotate/shape_bounds.h"

namespace {

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double distanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0) return distance(p, a);
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return distance(p, {a.x + t * dx, a.y + t * dy});
}

double distanceToPolyline(Point p, const std::vector<Point>& points) {
    if (points.empty()) return INFINITY;
    double best = distance(p, points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        best = std::min(best, distanceToSegment(p, points[i - 1], points[i]));
    }
    return best;
}

double distanceToRectOutline(Point p, const Rect& r) {
    const Point bl{r.left(), r.bottom()}, tl{r.left(), r.top()};
    const Point tr{r.right(), r.top()}, br{r.right(), r.bottom()};
    return std::min({distanceToSegment(p, bl, tl), distanceToSegment(p, tl, tr),
                     distanceToSegment(p, tr, br), distanceToSegment(p, br, bl)});
}

// How far `p` is from the ellipse's outline, measured along the ray from its centre (close
// enough to the true distance for the few points a grab allows).
double distanceToEllipseOutline(Point p, const Rect& r) {
    const double a = r.width / 2, b = r.height / 2;
    const Point c{r.x + a, r.y + b};
    if (a <= 0 || b <= 0) return distanceToRectOutline(p, r);
    const double dx = p.x - c.x, dy = p.y - c.y;
    const double rp = std::hypot(dx, dy);
    if (rp == 0) return std::min(a, b);
    const double cosT = dx / rp, sinT = dy / rp;
    const double re = a * b / std::hypot(b * cosT, a * sinT);
    return std::fabs(rp - re);
}

bool insidePolygon(Point p, const std::vector<Point>& polygon) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside;
}

bool resizable(ToolType t) {
    return t == ToolType::ToolRect || t == ToolType::ToolEllipse;
}

Point offset(Point p, Point d) {
    return {p.x + d.x, p.y + d.y};
}

// The edges (left, top, right, bottom) each of the eight handles of a rectangle moves.
constexpr bool kMovesEdge[8][4] = {
    {true, false, false, true},   // bottom-left
    {true, false, false, false},  // left middle
    {true, true, false, false},   // top-left
    {false, true, false, false},  // top middle
    {false, true, true, false},   // top-right
    {false, false, true, false},  // right middle
    {false, false, true, true},   // bottom-right
    {false, false, false, true},  // bottom middle
};

}  // namespace

std::vector<Point> shapeHandles(const DrawShape& s) {
    if (s.m_eType == ToolType::ToolArrow) return {s.m_startPoint, s.m_endPoint};
    const Rect r = shapeBounds(s);
    const double l = r.left(), rr = r.right(), b = r.bottom(), t = r.top();
    const double mx = (l + rr) / 2, my = (b + t) / 2;
    if (resizable(s.m_eType)) {
        return {{l, b}, {l, my}, {l, t}, {mx, t}, {rr, t}, {rr, my}, {rr, b}, {mx, b}};
    }
    if (s.m_eType == ToolType{0} || s.m_eType == ToolType::ToolNone) return {};
    return {{l, b}, {l, t}, {rr, t}, {rr, b}};
}

std::optional<ShapeGrip> gripAt(const DrawShape& s, Point p, double handleReach, double slack) {
    // Other shapes' handles only show the selection: a press there moves the shape.
    const ShapeGrip::Part handlePart = resizable(s.m_eType)               ? ShapeGrip::Part::Handle
                                       : s.m_eType == ToolType::ToolArrow ? ShapeGrip::Part::End
                                                                          : ShapeGrip::Part::Body;
    const std::vector<Point> handles = shapeHandles(s);
    for (size_t i = 0; i < handles.size(); ++i) {
        if (distance(p, handles[i]) <= handleReach) {
            if (handlePart == ShapeGrip::Part::Body) return ShapeGrip{};
            return ShapeGrip{handlePart, int(i)};
        }
    }
    const double reach = shapeLineWidth(s) / 2 + slack;
    bool hit = false;
    switch (s.m_eType) {
        case ToolType::ToolRect:
            hit = distanceToRectOutline(p, s.m_rect) <= reach;
            break;
        case ToolType::ToolEllipse:
            hit = distanceToEllipseOutline(p, s.m_rect) <= reach;
            break;
        case ToolType::ToolArrow: {
            const std::vector<Point> polygon =
                arrowPolygon(s.m_startPoint, s.m_endPoint, s.m_penSize);
            hit = (!polygon.empty() && insidePolygon(p, polygon)) ||
                  distanceToSegment(p, s.m_startPoint, s.m_endPoint) <= reach;
            break;
        }
        case ToolType::ToolBrush:
        case ToolType::ToolGlitter:
            hit = distanceToPolyline(p, s.brushPoints) <= reach;
            break;
        case ToolType::ToolMosaic:
            // The painted stroke is the area: no slack beyond it.
            hit = distanceToPolyline(p, s.brushPoints) <= shapeLineWidth(s) / 2;
            break;
        case ToolType::ToolText:
            hit = s.m_textrect.contains(p);
            break;
        default:
            break;
    }
    if (hit) return ShapeGrip{};
    return std::nullopt;
}

DrawShape movedShape(const DrawShape& s, Point d) {
    DrawShape moved = s;
    moved.m_startPoint = offset(s.m_startPoint, d);
    moved.m_endPoint = offset(s.m_endPoint, d);
    moved.m_rect.x += d.x;
    moved.m_rect.y += d.y;
    moved.m_textrect.x += d.x;
    moved.m_textrect.y += d.y;
    for (Point& p : moved.brushPoints) p = offset(p, d);
    return moved;
}

DrawShape draggedShape(const DrawShape& s, const ShapeGrip& grip, Point from, Point p) {
    const Point d{p.x - from.x, p.y - from.y};
    if (grip.part == ShapeGrip::Part::Body || grip.handle < 0) return movedShape(s, d);
    if (grip.part == ShapeGrip::Part::End && grip.handle < 2) {
        DrawShape changed = s;
        Point& end = grip.handle == 0 ? changed.m_startPoint : changed.m_endPoint;
        end = offset(end, d);
        changed.m_rect = spannedRect(changed.m_startPoint, changed.m_endPoint);
        return changed;
    }
    if (!resizable(s.m_eType) || grip.handle >= 8) return movedShape(s, d);
    const bool* moves = kMovesEdge[grip.handle];
    double l = s.m_rect.left(), t = s.m_rect.top(), r = s.m_rect.right(), b = s.m_rect.bottom();
    if (moves[0]) l += d.x;
    if (moves[1]) t += d.y;
    if (moves[2]) r += d.x;
    if (moves[3]) b += d.y;
    DrawShape changed = s;
    changed.m_rect = {std::min(l, r), std::min(b, t), std::fabs(r - l), std::fabs(t - b)};
    return changed;
}

DrawShape withPenSize(const DrawShape& s, PenSize size) {
    DrawShape changed = s;
    if (s.m_eType != ToolType::ToolText) changed.m_penSize = size;
    return changed;
}

DrawShape withColour(const DrawShape& s, const Color& colour, int colorIndex) {
    DrawShape changed = s;
    if (s.m_eType == ToolType::ToolMosaic) return changed;
    changed.m_penColor = colour;
    changed.m_colorIndex = colorIndex;
    return changed;
}

DrawShape withTextSize(const DrawShape& s, int points) {
    DrawShape changed = s;
    if (s.m_eType != ToolType::ToolText || s.m_textSize <= 0) return changed;
    const double scale = double(points) / s.m_textSize;
    const double top = s.m_textrect.top();
    changed.m_textrect.width *= scale;
    changed.m_textrect.height *= scale;
    changed.m_textrect.y = top - changed.m_textrect.height;
    changed.m_textSize = points;
    return changed;
}
