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
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return true;

    const QRectF area = device.mapRect(QRectF(x, y, w, h));
    const int left = qRound(area.left()), top = qRound(area.top());
    const int columns = qRound(area.right()) - left, rows = qRound(area.bottom()) - top;
    if (columns <= 0 || rows <= 0) return true;
    const double stepX = sw / area.width(), stepY = sh / area.height();
    // Samples stay on the source rectangle's pixels, where rounding would step off it.
    const int firstColumn = static_cast<int>(std::floor(sx));
    const int lastColumn = std::min(static_cast<int>(std::ceil(sx + sw)), image.width()) - 1;
    const int firstRow = static_cast<int>(std::floor(sy));
    const int lastRow = std::min(static_cast<int>(std::ceil(sy + sh)), image.height()) - 1;

    cache.sourceColumns.resize(columns);
    const int step = static_cast<int>(stepX * 65536);
    int fx = static_cast<int>((sx + (left + 0.5 - area.left()) * stepX) * 65536);
    for (int& column : cache.sourceColumns) {
        column = std::clamp(fx >> 16, firstColumn, lastColumn);
        fx += step;
    }
    if (cache.zoom.width() != columns || cache.zoom.height() != rows ||
        cache.zoom.format() != format) {
        cache.zoom = QImage(columns, rows, format);
    }
    const qsizetype bytesPerLine = cache.zoom.bytesPerLine();
    uchar* const zoomBits = cache.zoom.bits();
    const uchar* const imageBits = image.constBits();
    int previousSourceRow = -1;
    for (int row = 0; row < rows; ++row) {
        const int fy = static_cast<int>((sy + (top + row + 0.5 - area.top()) * stepY) * 65536);
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
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / scale, 1 / scale));
    painter.drawImage(QPointF(left - unscaled.dx(), top - unscaled.dy()), cache.zoom);
    painter.restore();
    return true;
}
