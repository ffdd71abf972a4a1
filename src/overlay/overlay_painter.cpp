#include "overlay/overlay_painter.h"

#include <QHash>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <optional>

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

// The painter's scale to device pixels when the magnifier's pieces can be put together in device
// pixels and copied unscaled: no world transform and a whole-number scale. At a fractional scale
// the zoom's edges fall inside pixels, where the raster engine's scaled drawing goes two ways
// (rectangle clip or not); the painter draws everything itself there.
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

// Draws the image pixels `source` scaled into `target` (painter points) the way the raster
// engine's nearest-neighbour scaling does: each device pixel shows the source pixel under its
// centre, stepping along a row in 16.16 fixed point. The part of `source` outside the image is
// left out together with its share of `target`. Rows repeat for every source row, so most are
// copies of the one above; the result goes out as one unscaled copy. False when the painter or
// the image is not one this handles (see wholeDeviceScale; a format other than 32 bits).
bool drawZoom(QPainter& painter, const QImage& image, const QRectF& target, const QRectF& source,
              MagnifierCache& cache) {
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

// The frame, cross-hair and logo line around a panel whose box is `box` (widget coordinates).
void strokeFrame(QPainter& painter, const QRectF& box, const QColor& color) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, 1));
    painter.drawRect(box);
}

void strokeCross(QPainter& painter, const QRectF& box, const QColor& color) {
    QPainterPath cross;
    cross.moveTo(box.left() + 72, box.top() + kMagnifierZoomHeight);
    cross.lineTo(box.left() + 72, box.top() + 1);
    cross.moveTo(box.left() + 1, box.top() + 44);
    cross.lineTo(box.left() + 144, box.top() + 44);
    painter.strokePath(cross, QPen(color, 4));
}

void strokeLogoLine(QPainter& painter, const QRectF& box, const QColor& color) {
    painter.setPen(QPen(color, 0.9));
    painter.drawLine(QPointF(box.left() + 4, box.bottom() - 36),
                     QPointF(box.left() + 137, box.bottom() - 36));
}

// Around a box its shapes reach at most this far (the cross-hair's square caps).
constexpr int kStrokeMargin = 3;

// What `stroke` paints, stroked onto a transparent image with the painter's transform moved by
// whole device pixels, as rectangles that filling with the pen's colour, once or as many times
// as the pen covered them, paints alike: rows covered alike make one. The colour is the one most
// pixels hold, the pen's as it lays it on. False when a pixel holds what no number of layers
// gives, or the colour is not one the painter can be given.
using Shape = KeptShapes::Shape;
// Under a clip that is not one rectangle (a paint event's region) the raster engine hands a fill
// of more than 95 rows to its thread pool. For a line a pixel wide waking the threads costs far
// more than the fill, so the rectangles stay shorter.
constexpr int kRowsPerFill = 64;
bool strokeFills(const QTransform& transform, QSize size,
                 void (*stroke)(QPainter&, const QRectF&, const QColor&), const QRectF& box,
                 const QColor& color, Shape& out) {
    QImage mask(size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setTransform(transform);
        stroke(painter, box, color);
    }
    QHash<quint32, int> counts;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(mask.constScanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            if (row[x] != 0) ++counts[row[x]];
        }
    }
    if (counts.isEmpty()) return false;
    quint32 once = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        if (it.value() > counts.value(once)) once = it.key();
    }
    const QRgb plain = qUnpremultiply(once);
    if (qPremultiply(plain) != once) return false;
    out.color = QColor::fromRgba(plain);
    // What 1, 2, 3 layers of the colour give over nothing.
    QHash<quint32, int> layersOf;
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(Qt::transparent);
    for (int layers = 1; layers <= 3; ++layers) {
        QPainter(&pixel).fillRect(0, 0, 1, 1, out.color);
        layersOf.insert(reinterpret_cast<const quint32*>(pixel.constBits())[0], layers);
    }

    out.fills.clear();
    std::vector<size_t> open, stillOpen;  // rectangles reaching the row above
    for (int y = 0; y < mask.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(mask.constScanLine(y));
        stillOpen.clear();
        for (int x = 0; x < mask.width();) {
            const quint32 value = row[x];
            if (value == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < mask.width() && row[x] == value) ++x;
            const int layers = layersOf.value(value, 0);
            if (layers == 0) return false;
            const auto above = std::find_if(open.begin(), open.end(), [&](size_t i) {
                const auto& f = out.fills[i];
                return f.rect.left() == start && f.rect.right() == x - 1 && f.layers == layers &&
                       f.rect.height() < kRowsPerFill;
            });
            if (above != open.end()) {
                out.fills[*above].rect.setBottom(y);
                stillOpen.push_back(*above);
            } else {
                stillOpen.push_back(out.fills.size());
                out.fills.push_back({QRect(start, y, x - start, 1), layers});
            }
        }
        open.swap(stillOpen);
    }
    return true;
}

// Makes sure `kept` holds the rectangles the shapes `paints` cover around `box` on this painter.
// False when the painter is not one this handles (see wholeDeviceScale), or the shapes reach
// past the device's edge: a pen cut there joins its lines differently.
struct ShapePaint {
    void (*paint)(QPainter&, const QRectF&, const QColor&);
    QColor color;
};
bool prepareShapes(QPainter& painter, const QRectF& box, std::initializer_list<ShapePaint> paints,
                   KeptShapes& kept) {
    const auto wholeScale = wholeDeviceScale(painter);
    const auto* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    if (!wholeScale || !device || device->devType() != QInternal::Image) return false;
    const double scale = *wholeScale;
    const QTransform transform = painter.deviceTransform();
    const QTransform unscaled = QTransform::fromScale(1 / scale, 1 / scale) * transform;
    const QRectF reach = box.adjusted(-kStrokeMargin, -kStrokeMargin, kStrokeMargin, kStrokeMargin);
    const QRectF deviceRect(QPointF(0, 0), static_cast<const QImage*>(device)->size());
    if (!deviceRect.adjusted(1, 1, -1, -1).contains(transform.mapRect(reach))) return false;

    const QPointF corner = transform.map(reach.topLeft());
    const QPoint whole(static_cast<int>(std::floor(corner.x())),
                       static_cast<int>(std::floor(corner.y())));
    const QPointF phase = corner - QPointF(whole);
    if (kept.ratio != scale || kept.size != box.size() || kept.phase != phase ||
        kept.shapes.size() != paints.size()) {
        const QTransform moved = transform * QTransform::fromTranslate(-whole.x(), -whole.y());
        const QSize size(static_cast<int>(std::ceil(reach.width() * scale)),
                         static_cast<int>(std::ceil(reach.height() * scale)));
        kept.shapes.resize(paints.size());
        kept.usable = true;
        auto shape = kept.shapes.begin();
        for (const ShapePaint& p : paints) {
            kept.usable = kept.usable && strokeFills(moved, size, p.paint, box, p.color, *shape++);
        }
        kept.ratio = scale;
        kept.size = box.size();
        kept.phase = phase;
    }
    kept.origin = QPointF(whole) - QPointF(unscaled.dx(), unscaled.dy());
    return kept.usable;
}

// Fills the rectangles of one shape kept by prepareShapes, unscaled.
void fillShape(QPainter& painter, const KeptShapes& kept, size_t index) {
    const Shape& shape = kept.shapes[index];
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / kept.ratio, 1 / kept.ratio));
    painter.translate(kept.origin);
    for (const auto& fill : shape.fills) {
        for (int i = 0; i < fill.layers; ++i) painter.fillRect(fill.rect, shape.color);
    }
    painter.restore();
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
    // The strokes are filled as the rectangles their pens cover, a span per row, where stroking
    // costs a path each time; the rectangles are found once by stroking.
    const QRectF box = qtRectFromView(panel, H);
    const bool filled =
        in.cache &&
        prepareShapes(painter, box, {{strokeFrame, kMagnifierOutline}, {strokeLogoLine, kLogo}},
                      in.cache->strokes);
    const auto stroke = [&](void (*draw)(QPainter&, const QRectF&, const QColor&), size_t kept,
                            const QColor& color) {
        if (filled) {
            fillShape(painter, in.cache->strokes, kept);
        } else {
            draw(painter, box, color);
        }
    };
    stroke(strokeFrame, 0, kMagnifierOutline);
    painter.fillRect(qtRectFromView(m.textPanel, H), kMagnifierPanel);
    strokeCross(painter, box, kCrossHair);
    if (!in.logoText.isEmpty()) {
        stroke(strokeLogoLine, 1, kLogo);
        // The host's text stays inside the panel, however long: only the panel is repainted
        // when the pointer moves, so ink beyond it would trail across the screen. No more
        // characters than could ever fit are laid out.
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        drawTextAt(painter, sprites, {m.px + 5.0, m.py + 42.0},
                   in.logoText.left(kMagnifierWidth * 2), kLogo, H);
        painter.restore();
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
