#include "overlay/overlay_painter.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "overlay/text_sprites.h"
#include "platform/log.h"
#include "platform/view_transform.h"

namespace {

const QColor kLabelBackground(0, 0, 0, 210);
const QColor kMagnifierOutline(0, 0, 0, 230);
const QColor kMagnifierPanel(0, 0, 0, 210);
const QColor kCrossHair(255, 125, 65, 150);
const QColor kLogo(215, 140, 85);

// Text whose line box has its bottom-left corner at `at` (view coordinates).
void drawTextAt(QPainter& painter, TextSprites* sprites, Point at, const QString& text,
                const QColor& color, double viewHeight) {
    if (sprites == nullptr) return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    sprites->draw(painter, QPointF(at.x, viewHeight - at.y - sprites->descent()), text, color, dpr);
}

// Draws the image pixels `source` scaled into `target` (painter points) the way the raster
// engine's nearest-neighbour scaling does: each device pixel shows the source pixel under its
// centre, stepping along a row in 16.16 fixed point. The part of `source` outside the image is
// left out together with its share of `target`. Rows repeat for every source row, so most are
// copies of the one above; the result goes out as one unscaled copy. False when the painter or
// the image is not one this handles (a rotated painter, a format other than 32 bits).
bool drawZoom(QPainter& painter, const QImage& image, const QRectF& target, const QRectF& source,
              MagnifierCache& cache) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) {
        return false;
    }
    const QTransform device = painter.deviceTransform();
    if (!painter.worldTransform().isIdentity() || device.type() > QTransform::TxScale ||
        device.m11() <= 0 || device.m11() != device.m22()) {
        return false;
    }
    // Copies go out unscaled when the painter's scale is undone exactly.
    const double scale = device.m11();
    const QTransform unscaled = QTransform::fromScale(1 / scale, 1 / scale) * device;
    if (unscaled.type() > QTransform::TxTranslate) return false;

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

}  // namespace

QFont overlayFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    return f;
}

QColor toQColor(const Color& c) {
    return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
}

void paintSizeLabel(QPainter& painter, TextSprites* sprites, const Rect& selection, Size screen) {
    const auto box = sizeLabelRect(selection, screen);
    if (!box) return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLabelBackground);
    painter.drawRoundedRect(qtRectFromView(*box, screen.height), 4, 4);
    drawTextAt(painter, sprites, {box->x + 5, box->y + 3}, sizeLabelText(selection), Qt::white,
               screen.height);
}

MagnifierReadout magnifierReadout(const MagnifierInputs& in) {
    MagnifierReadout readout;
    readout.position = magnifierPositionText(in.cursor);
    const double dpr = in.colorImage ? in.colorImage->devicePixelRatio() : 1;
    const auto pixel = readoutPixel(in.cursor, in.screen, dpr);
    QRgb rgb = 0;
    if (pixel && in.colorImage && in.colorImage->valid(pixel->x, pixel->y)) {
        rgb = in.colorImage->pixel(pixel->x, pixel->y);
    } else {
        readout.outside = true;
    }
    readout.color = magnifierColorText(qRed(rgb), qGreen(rgb), qBlue(rgb));
    return readout;
}

Rect paintMagnifier(QPainter& painter, TextSprites* sprites, const MagnifierInputs& in, Log* log) {
    const double H = in.screen.height;
    const MagnifierLayout m = magnifierLayout(in.cursor, in.selection, in.screen,
                                              !in.logoText.isEmpty(), in.anchoredToSelection);
    const Rect panel{static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
                     static_cast<double>(m.height)};

    if (in.originImage && !in.originImage->isNull()) {
        const double dpr = in.originImage->devicePixelRatio();
        const QRectF source = qtRectFromView(m.zoomSource, H);
        const QRectF sourcePixels(source.x() * dpr, source.y() * dpr, source.width() * dpr,
                                  source.height() * dpr);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QRectF target = qtRectFromView(m.zoomTarget, H);
        if (!in.cache || !drawZoom(painter, *in.originImage, target, sourcePixels, *in.cache)) {
            painter.drawImage(target, *in.originImage, sourcePixels);
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kMagnifierOutline, 1));
    painter.drawRect(qtRectFromView(panel, H));
    painter.fillRect(qtRectFromView(m.textPanel, H), kMagnifierPanel);

    QPainterPath cross;
    const double zoomBottom = m.py + m.height - kMagnifierZoomHeight;
    cross.moveTo(qtPointFromView({m.px + 72.0, zoomBottom}, H));
    cross.lineTo(qtPointFromView({m.px + 72.0, m.py + m.height - 1.0}, H));
    cross.moveTo(qtPointFromView({m.px + 1.0, m.py + m.height - 44.0}, H));
    cross.lineTo(qtPointFromView({m.px + 144.0, m.py + m.height - 44.0}, H));
    painter.strokePath(cross, QPen(kCrossHair, 4));

    if (!in.logoText.isEmpty()) {
        painter.setPen(QPen(kLogo, 0.9));
        painter.drawLine(qtPointFromView({m.px + 4.0, m.py + 36.0}, H),
                         qtPointFromView({m.px + 137.0, m.py + 36.0}, H));
        drawTextAt(painter, sprites, {m.px + 5.0, m.py + 42.0}, in.logoText, kLogo, H);
    }

    const MagnifierReadout readout = magnifierReadout(in);
    if (readout.outside && log) {
        const double dpr = in.colorImage ? in.colorImage->devicePixelRatio() : 1;
        const auto pixel = readoutPixel(in.cursor, in.screen, dpr);
        log->write(QStringLiteral("wrong index: y:%1, x:%2, width:%3, height:%4")
                       .arg(pixel ? pixel->y : static_cast<int>(H - in.cursor.y))
                       .arg(pixel ? pixel->x : static_cast<int>(in.cursor.x))
                       .arg(in.screen.width, 0, 'f', 6)
                       .arg(in.screen.height, 0, 'f', 6));
    }
    drawTextAt(painter, sprites, {m.px + 8.0, m.py + 18.0}, readout.position, Qt::white, H);
    drawTextAt(painter, sprites, {m.px + 8.0, m.py + 2.0}, readout.color, Qt::white, H);
    return panel;
}
