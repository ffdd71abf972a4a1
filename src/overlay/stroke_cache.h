#pragma once
// Stroked shapes (the magnifier's frame and logo line) kept as the device pixel rectangles they
// cover: filling those is far cheaper than stroking again on every paint.

#include <QColor>
#include <QPainter>
#include <initializer_list>
#include <vector>

// Shapes the painter's general primitives draw (stroked lines), kept as the device
// pixel rectangles they cover, placed from the box's corner: valid for one pixel ratio, box size
// and placement of the box within a device pixel.
struct KeptShapes {
    double ratio = 0;
    QSizeF size;
    QPointF phase;
    QPointF origin;  // where the rectangles' (0, 0) lies, in unscaled painter coordinates
    bool usable = false;
    struct Fill {
        QRect rect;
        int layers = 1;  // a pen may cover a pixel twice, where lines join
    };
    struct Shape {
        QColor color;  // as the pen lays it on: a thin pen's at reduced strength
        std::vector<Fill> fills;
    };
    std::vector<Shape> shapes;
};

// A shape's painting: `paint` strokes it around a box in a colour.
struct ShapePaint {
    void (*paint)(QPainter&, const QRectF&, const QColor&);
    QColor color;
};

// Makes sure `kept` holds the rectangles the shapes `paints` cover around `box` on this painter.
// False when the painter is not one this handles (see wholeDeviceScale), or the shapes reach
// past the device's edge: a pen cut there joins its lines differently.
bool prepareShapes(QPainter& painter, const QRectF& box, std::initializer_list<ShapePaint> paints,
                   KeptShapes& kept);

// Fills the rectangles of one shape kept by prepareShapes, unscaled.
void fillShape(QPainter& painter, const KeptShapes& kept, size_t index);
