#pragma once
// The one renderer of annotation shapes, onto any QPainter whose coordinates are Qt's points
// (the capture view, or an image of the screen at its device pixel ratio). Shapes are in view
// coordinates; the y flip happens here, through platform/view_transform.h.

#include <QImage>
#include <QRectF>
#include <optional>
#include <span>
#include <vector>

#include "annotate/draw_shape.h"

class QPainter;

struct ShapePaintContext {
    double viewHeight = 0;  // the captured screen's height in points
    // While text is typed the editor shows it: the current pen is not painted.
    bool textToolActive = false;
    // The pixelated screen (pixelatedScreen), same size and pixel ratio as the screen image;
    // without it a mosaic stroke is painted in its pen colour.
    const QImage* mosaicImage = nullptr;
    // When only this part of the painter will show (a repaint's clip, Qt's coordinates), a
    // free-hand stroke paints just the segments that reach into it: a long stroke would
    // otherwise be stroked whole for every small repaint.
    std::optional<QRectF> visibleArea;
};

// Paints one shape. The current pen (isCurrent) is painted unless it is empty or the text
// tool is active; a kind outside 1 to 7 paints nothing.
void paintShape(QPainter& painter, const DrawShape& shape, bool isCurrent,
                const ShapePaintContext& context);

// The screen with every finished shape painted in, at the screen image's device resolution:
// the flattened history that repaints draw and the finished image is cut from. Without shapes
// this is `originImage` itself, shared.
QImage flattenHistory(const QImage& originImage, std::span<const DrawShape> shapes,
                      const ShapePaintContext& context);

// A shape just finished, painted onto the flattened history as it is (the common case: only
// undo needs a full flattenHistory). A history still shared with the screen is copied first.
void addToFlattenedHistory(QImage& flattened, const DrawShape& shape,
                           const ShapePaintContext& context);

// The screen pixelated in blocks of 4 points aligned to its top-left corner, same size and
// pixel ratio, opaque. Made once per capture, when the mosaic tool is first chosen.
QImage pixelatedScreen(const QImage& screen);
