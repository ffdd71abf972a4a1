#pragma once
// The two crossings between view coordinates (bottom-left origin, y up) and Qt's widget
// coordinates (top-left origin, y down): events coming in, painting going out.

#include <QPointF>
#include <QRectF>

#include "platform/geometry.h"

inline Point viewPointFromQt(QPointF p, double viewHeight) {
    return {p.x(), viewHeight - p.y()};
}

inline QRectF qtRectFromView(const Rect& r, double viewHeight) {
    return {r.x, viewHeight - r.y - r.height, r.width, r.height};
}

inline QPointF qtPointFromView(Point p, double viewHeight) {
    return {p.x, viewHeight - p.y};
}
