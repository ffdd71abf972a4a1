#pragma once
// The one coordinate contract between the screen's pixels and the capture's view coordinates
// (points, origin bottom-left of the captured screen, y up), and the two crossings to Qt's
// widget coordinates (top-left origin, y down): events coming in, painting going out.
//
// A position on the screen names a pixel, and stands in view coordinates for that pixel's
// top-left corner: on a screen H points high the pixel row r (counted from the top) is at
// y = H - r, so the top row is at y = H and the bottom row at y = 1. Two positions then span
// exactly the pixels between them, as a drag should. Rectangles hold their bottom edge and not
// their top one, so a question "what is under this pixel" asks about a point inside it:
// pixelProbe. Mouse events, the pointer position and the readout all follow this.

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

// A point inside the pixel whose top-left corner is `corner`, also at a device pixel ratio
// of 2 (whose pixels are half a point high): rectangles aligned to pixels hold it exactly
// when they hold that pixel.
inline Point pixelProbe(Point corner) {
    return {corner.x, corner.y - 0.5};
}
