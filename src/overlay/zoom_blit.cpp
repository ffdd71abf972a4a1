#include "overlay/zoom_blit.h"

#include <cmath>
#include <cstring>

std::optional<double> wholeDeviceScale(const QPainter& painter) {
    const QTransform device = painter.deviceTransform();
    if (!painter.worldTransform().isIdentity() || device.type() > QTransform::TxScale) {
        return std::nullopt;
    }
    const double scale = device.m11();
    if (scale < 1 || scale != device.m22() || scale != std::round(scale)) return std::nullopt;
    const QTransform unscaled = QTransform::fromScale(1 / scale, 1 / scale) * device;
    if (unscaled.type() > QTransform::TxTranslate) return std::nullopt;
    return scale;
}

namespace {

// The part of `target` whose source lies on the image, and that source; either empty when none.
void clipToImage(QRectF& target, QRectF& source, QSize image) {
    double x = target.x(), y = target.y(), w = target.width(), h = target.height();
    double sx = source.x(), sy = source.y(), sw = source.width(), sh = source.height();
    if (sx < 0) {
        const double cut = sx * w / sw;
        x -= cut;
        w += cut;
        sw += sx;
        sx = 0;
    }
    if (sy < 0) {
        const double cut = sy * h / sh;
        y -= cut;
        h += cut;
        sh += sy;
        sy = 0;
    }
    if (sw + sx > image.width()) {
        const double over = sw - (image.width() - sx);
        w -= over * w / sw;
        sw -= over;
    }
    if (sh + sy > image.height()) {
        const double over = sh - (image.height() - sy);
        h -= over * h / sh;
        sh -= over;
    }
    target = QRectF(x, y, w, h);
    source = QRectF(sx, sy, sw, sh);
}

// Fills `cache.zoom` (`columns` x `rows` device pixels whose top left is `corner` of `area`)
// with the nearest pixel of `source` in `image` for each.
void sampleZoom(const QImage& image, const QRectF& source, const QRectF& area, QPoint corner,
                int columns, int rows, ZoomCache& cache) {
    const double stepX = source.width() / area.width(), stepY = source.height() / area.height();
    // Samples stay on the source rectangle's pixels, where rounding would step off it.
    const int firstColumn = static_cast<int>(std::floor(source.x()));
    const int lastColumn = std::min(static_cast<int>(std::ceil(source.right())), image.width()) - 1;
    const int firstRow = static_cast<int>(std::floor(source.y()));
    const int lastRow = std::min(static_cast<int>(std::ceil(source.bottom())), image.height()) - 1;

    cache.sourceColumns.resize(columns);
    const int step = static_cast<int>(stepX * 65536);
    int fx = static_cast<int>((source.x() + (corner.x() + 0.5 - area.left()) * stepX) * 65536);
    for (int& column : cache.sourceColumns) {
        column = std::clamp(fx >> 16, firstColumn, lastColumn);
        fx += step;
    }
    if (cache.zoom.width() != columns || cache.zoom.height() != rows ||
        cache.zoom.format() != image.format()) {
        cache.zoom = QImage(columns, rows, image.format());
    }
    const qsizetype bytesPerLine = cache.zoom.bytesPerLine();
    uchar* const zoomBits = cache.zoom.bits();
    const uchar* const imageBits = image.constBits();
    int previousSourceRow = -1;
    for (int row = 0; row < rows; ++row) {
        const int fy =
            static_cast<int>((source.y() + (corner.y() + row + 0.5 - area.top()) * stepY) * 65536);
        const int sourceRow = std::clamp(fy >> 16, firstRow, lastRow);
        uchar* line = zoomBits + row * bytesPerLine;
        if (sourceRow == previousSourceRow) {
            std::memcpy(line, line - bytesPerLine, columns * sizeof(quint32));
            continue;
        }
        const auto* from =
            reinterpret_cast<const quint32*>(imageBits + sourceRow * image.bytesPerLine());
        auto* to = reinterpret_cast<quint32*>(line);
        for (int column = 0; column < columns; ++column) {
            to[column] = from[cache.sourceColumns[column]];
        }
        previousSourceRow = sourceRow;
    }
}

}  // namespace

bool drawZoom(QPainter& painter, const QImage& image, const QRectF& target, const QRectF& source,
              ZoomCache& cache) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) {
        return false;
    }
    const auto wholeScale = wholeDeviceScale(painter);
    if (!wholeScale) return false;
    const double scale = *wholeScale;
    const QTransform device = painter.deviceTransform();
    const QTransform unscaled = QTransform::fromScale(1 / scale, 1 / scale) * device;

    QRectF onImage = target, from = source;
    clipToImage(onImage, from, image.size());
    if (onImage.width() <= 0 || onImage.height() <= 0 || from.width() <= 0 || from.height() <= 0) {
        return true;
    }
    const QRectF area = device.mapRect(onImage);
    const int left = qRound(area.left()), top = qRound(area.top());
    const int columns = qRound(area.right()) - left, rows = qRound(area.bottom()) - top;
    if (columns <= 0 || rows <= 0) return true;
    sampleZoom(image, from, area, QPoint(left, top), columns, rows, cache);
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / scale, 1 / scale));
    painter.drawImage(QPointF(left - unscaled.dx(), top - unscaled.dy()), cache.zoom);
    painter.restore();
    return true;
}
