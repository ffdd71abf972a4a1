#pragma once
// The extent of shapes in view coordinates: where a finished shape lies, and what a repaint
// must cover while the current pen changes.

#include <span>

#include "annotate/draw_shape.h"

// The rectangle two points span, in single precision as shapes always were.
Rect spannedRect(Point a, Point b);
// The smallest rectangle holding `points`; empty for none.
Rect pointBounds(std::span<const Point> points);
// The width of the line a shape is drawn with: the pen's, a highlighter's or a mosaic's.
double shapeLineWidth(const DrawShape& shape);

// The area a finished shape covers, for its selection marks: the rectangle or ellipse, the
// span of an arrow's ends, a stroke's points, a text's editor frame; empty for an empty pen.
Rect shapeBounds(const DrawShape& shape);

// The area in which the pen's last change shows: the whole shape for rectangles, ellipses and
// arrows, which change entirely with each drag; for a free-hand stroke only its last segment
// and the join before it, since the rest of the stroke stays as it was painted. Empty for an
// empty pen and for text, which its editor shows.
Rect penRepaintArea(const DrawShape& pen);
