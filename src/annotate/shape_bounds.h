#pragma once
// What a repaint must cover while the current pen changes, in view coordinates.

#include "annotate/draw_shape.h"

// The area in which the pen's last change shows: the whole shape for rectangles, ellipses and
// arrows, which change entirely with each drag; for a free-hand stroke only its last segment
// and the join before it, since the rest of the stroke stays as it was painted. Empty for an
// empty pen and for text, which its editor shows.
Rect penRepaintArea(const DrawShape& pen);
