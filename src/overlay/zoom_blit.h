#pragma once
// Drawing the magnifier's zoom in device pixels: the pixels under the pointer, scaled up as the
// raster engine's nearest-neighbour scaling does, put together once and copied unscaled.

#include <QImage>
#include <QPainter>
#include <optional>
#include <vector>

// The painter's scale to device pixels when the magnifier's pieces can be put together in device
// pixels and copied unscaled: no world transform and a whole-number scale. At a fractional scale
// the zoom's edges fall inside pixels, where the raster engine's scaled drawing goes two ways
// (rectangle clip or not); the painter draws everything itself there.
std::optional<double> wholeDeviceScale(const QPainter& painter);

// What the zoom keeps between paints.
struct ZoomCache {
    QImage zoom;
    std::vector<int> sourceColumns;
};

// Draws the image pixels `source` scaled into `target` (painter points) the way the raster
// engine's nearest-neighbour scaling does: each device pixel shows the source pixel under its
// centre, stepping along a row in 16.16 fixed point. The part of `source` outside the image is
// left out together with its share of `target`. Rows repeat for every source row, so most are
// copies of the one above; the result goes out as one unscaled copy. False when the painter or
// the image is not one this handles (see wholeDeviceScale; a format other than 32 bits).
bool drawZoom(QPainter& painter, const QImage& image, const QRectF& target, const QRectF& source,
              ZoomCache& cache);
