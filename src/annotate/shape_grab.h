#pragma once
// Where a finished shape can be taken hold of, and how it changes: the outline of a
// rectangle, ellipse, arrow or stroke (within a few points), the whole area of a mosaic
// stroke or a text; handles at a rectangle's or ellipse's bounds that resize it, and at an
// arrow's two ends that move them; the pen's colour and sizes applied to it. All in view
// coordinates.

#include <optional>
#include <vector>

#include "annotate/draw_shape.h"

// What a press on a shape holds: the shape itself (a move), one of a rectangle's or ellipse's
// handles (a resize; the index is also the selection's Handle of that place), or an arrow's end.
struct ShapeGrip {
    enum class Part { Body, Handle, End };
    Part part = Part::Body;
    int handle = -1;  // index into shapeHandles()
    friend bool operator==(const ShapeGrip&, const ShapeGrip&) = default;
};

// The handles a selected shape shows, as anchor points: the four corners and four edge
// middles of a rectangle or ellipse (bottom-left first, anticlockwise), an arrow's start and
// tip, the four corners of any other shape's bounds (these show it is selected but only move).
std::vector<Point> shapeHandles(const DrawShape& shape);

// What a press at `p` takes hold of on `shape`, if anything. A handle counts within
// `handleReach` of its anchor; the outline within half the line width plus `slack`.
std::optional<ShapeGrip> gripAt(const DrawShape& shape, Point p, double handleReach = 5,
                                double slack = 3);

// The shape moved by `d`.
DrawShape movedShape(const DrawShape& shape, Point d);

// `shape` as it was grabbed, with `grip` dragged from `from` to `p`: the body moves by the
// difference; a rectangle's or ellipse's handle moves its edges by it (flipping past the
// opposite edge); an arrow's end moves by it.
DrawShape draggedShape(const DrawShape& shape, const ShapeGrip& grip, Point from, Point p);

// The shape with the pen's new size (a text keeps its own: the font size changes it), colour
// (a mosaic shows the screen, in no colour) or font size (texts only; the area that takes a
// press grows with the text, from its top-left corner).
DrawShape withPenSize(const DrawShape& shape, PenSize size);
DrawShape withColour(const DrawShape& shape, const Color& colour, int colorIndex);
DrawShape withTextSize(const DrawShape& shape, int points);
