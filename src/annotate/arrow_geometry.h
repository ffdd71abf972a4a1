#pragma once
// The filled arrow from a start to a tip, in view coordinates. The arithmetic (integer points,
// integer products, single-precision division) is kept as the arrow has always been drawn, so
// that arrows land on the same pixels.

#include <vector>

#include "annotate/pen_size.h"
#include "platform/geometry.h"

// Head length: 10 for pen size 1, 30 for 6, otherwise 20. The head is as wide as it is long.
int arrowHeadLength(PenSize penSize);

// The polygon start, inner barb, outer barb, tip, outer barb, inner barb; empty when start
// and tip truncate to the same integer point (such an arrow paints nothing).
std::vector<Point> arrowPolygon(Point start, Point end, PenSize penSize);
