#include "overlay/stroke_cache.h"

#include <QHash>
#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <optional>

#include "overlay/zoom_blit.h"

namespace {

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
// The colour most painted pixels of `mask` hold, as a plain colour; none when that premultiplied
// value is not one any plain colour gives.
std::optional<QColor> mostPaintedColor(const QImage& mask) {
    QHash<quint32, int> counts;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(mask.constScanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            if (row[x] != 0) ++counts[row[x]];
        }
    }
    if (counts.isEmpty()) return std::nullopt;
    quint32 once = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        if (it.value() > counts.value(once)) once = it.key();
    }
    const QRgb plain = qUnpremultiply(once);
    if (qPremultiply(plain) != once) return std::nullopt;
    return QColor::fromRgba(plain);
}

// What 1, 2 and 3 layers of `color` give over nothing, premultiplied, and how many layers each is.
QHash<quint32, int> layeredValues(const QColor& color) {
    QHash<quint32, int> layersOf;
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(Qt::transparent);
    for (int layers = 1; layers <= 3; ++layers) {
        QPainter(&pixel).fillRect(0, 0, 1, 1, color);
        layersOf.insert(reinterpret_cast<const quint32*>(pixel.constBits())[0], layers);
    }
    return layersOf;
}

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
    const std::optional<QColor> laidOn = mostPaintedColor(mask);
    if (!laidOn) return false;
    out.color = *laidOn;
    const QHash<quint32, int> layersOf = layeredValues(out.color);

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

}  // namespace

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
