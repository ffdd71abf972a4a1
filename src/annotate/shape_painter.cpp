#include "annotate/shape_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "annotate/arrow_geometry.h"
#include "annotate/mosaic.h"
#include "annotate/pen_widths.h"
#include "annotate/text_document.h"
#include "platform/parallel_rows.h"
#include "platform/view_transform.h"

namespace {

QColor qtColor(const Color& c, double alpha) {
    const auto unit = [](double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); };
    return QColor::fromRgbF(static_cast<float>(unit(c.red)), static_cast<float>(unit(c.green)),
                            static_cast<float>(unit(c.blue)), static_cast<float>(unit(alpha)));
}

// Butt caps and miter joins, as strokes have always looked. Qt measures the miter limit
// from the join point in pen widths, so 5 here is the usual ratio of 10 to the full miter.
QPen strokePen(const QBrush& brush, double width) {
    QPen pen(brush, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(5);
    return pen;
}

// The stroke's path; with a visible area, only the runs of segments that can paint into it,
// each with one more segment on either side so that the joins inside the area are the ones
// the whole stroke has (a join reaches at most `reach` from its point).
// How far a miter join (limit 5 half-widths) and the anti-aliasing reach, in pen widths.
constexpr double kJoinReach = 2.5 + 0.5;

QPainterPath freehandPath(const DrawShape& s, double viewHeight,
                          const std::optional<QRectF>& visible = std::nullopt, double reach = 0) {
    QPainterPath path;
    const auto& points = s.brushPoints;
    if (points.empty()) return path;
    const auto at = [&](size_t i) { return qtPointFromView(points[i], viewHeight); };
    if (!visible) {
        path.moveTo(at(0));
        for (size_t i = 1; i < points.size(); ++i) path.lineTo(at(i));
        return path;
    }
    const QRectF area = visible->adjusted(-reach, -reach, reach, reach);
    const auto touches = [&](size_t segment) {  // the segment from point segment - 1
        return QRectF(at(segment - 1), at(segment)).normalized().intersects(area) ||
               area.contains(at(segment));
    };
    size_t i = 1;
    while (i < points.size()) {
        if (!touches(i)) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end + 1 < points.size() && touches(end + 1)) ++end;
        const size_t first = i > 1 ? i - 1 : i;
        const size_t last = std::min(end + 1, points.size() - 1);
        path.moveTo(at(first - 1));
        for (size_t k = first; k <= last; ++k) path.lineTo(at(k));
        i = last + 1;
    }
    return path;
}

// The pixelated screen as a brush laid over the view, pattern point (u, v) on view point
// (u, v): the image holds device pixels, so the pattern is scaled down to points.
QBrush mosaicBrush(const QImage& mosaic) {
    QBrush brush(mosaic);
    const double dpr = mosaic.devicePixelRatio();
    if (dpr != 1) brush.setTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
    return brush;
}

// Drawn from the top-left corner of the drawing rectangle (the editor's frame moved right by
// the editor's line padding), never wrapped: the glyphs land where the editor showed them.
void paintText(QPainter& painter, const DrawShape& s, double viewHeight) {
    const QPointF topLeft = qtPointFromView({s.m_rect.x, s.m_rect.top()}, viewHeight);
    paintTextAnnotation(painter, topLeft, s.m_textString, s.m_textSize,
                        qtColor(s.m_penColor, s.m_penColor.alpha));
}

}  // namespace

void paintShape(QPainter& painter, const DrawShape& s, bool isCurrent,
                const ShapePaintContext& context) {
    if (isCurrent && (s.m_eType == ToolType::ToolNone || context.textToolActive)) return;
    const double h = context.viewHeight;
    const QColor color = qtColor(s.m_penColor, s.m_penColor.alpha);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    switch (s.m_eType) {
        case ToolType::ToolRect:
            painter.setPen(strokePen(color, penPoints(s.m_penSize)));
            painter.drawRect(qtRectFromView(s.m_rect, h));
            break;
        case ToolType::ToolEllipse:
            painter.setPen(strokePen(color, penPoints(s.m_penSize)));
            painter.drawEllipse(qtRectFromView(s.m_rect, h));
            break;
        case ToolType::ToolArrow: {
            const std::vector<Point> arrow =
                arrowPolygon(s.m_startPoint, s.m_endPoint, s.m_penSize);
            if (arrow.empty()) break;
            QPolygonF polygon;
            for (const Point& p : arrow) polygon << qtPointFromView(p, h);
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawPolygon(polygon, Qt::WindingFill);
            break;
        }
        case ToolType::ToolBrush:
            painter.setPen(strokePen(color, penPoints(s.m_penSize)));
            painter.drawPath(
                freehandPath(s, h, context.visibleArea, kJoinReach * penPoints(s.m_penSize)));
            break;
        case ToolType::ToolGlitter: {
            // The chosen alpha is replaced, not multiplied: a highlighter is always half.
            const int width = glitterLineWidth(s.m_penSize);
            painter.setPen(strokePen(qtColor(s.m_penColor, 0.5), width));
            painter.drawPath(freehandPath(s, h, context.visibleArea, kJoinReach * width));
            break;
        }
        case ToolType::ToolMosaic: {
            const int width = static_cast<int>(GetMosaicDrawSizeByPenSize(s.m_penSize));
            const bool pattern = context.mosaicImage && !context.mosaicImage->isNull();
            painter.setPen(
                strokePen(pattern ? mosaicBrush(*context.mosaicImage) : QBrush(color), width));
            painter.drawPath(freehandPath(s, h, context.visibleArea, kJoinReach * width));
            break;
        }
        case ToolType::ToolText:
            paintText(painter, s, h);
            break;
        default:
            break;
    }
    painter.restore();
}

namespace {

// Rows [top, bottom) of the flattened history: the screen's rows, then every shape clipped to
// them. Works on raw rows, so that several threads can share the images (QImage's non-const
// accessors detach, which is not safe across threads); a band is its own QImage over them.
void flattenBand(const uchar* from, uchar* to, qsizetype bytesPerLine, const QImage& origin,
                 int top, int bottom, std::span<const DrawShape> shapes,
                 const ShapePaintContext& context) {
    std::memcpy(to + top * bytesPerLine, from + top * bytesPerLine,
                static_cast<size_t>(bottom - top) * bytesPerLine);
    QImage band(to + top * bytesPerLine, origin.width(), bottom - top, bytesPerLine,
                origin.format());
    const double dpr = origin.devicePixelRatio();
    band.setDevicePixelRatio(dpr);
    QPainter painter(&band);
    painter.translate(0, -top / dpr);
    for (const DrawShape& s : shapes) paintShape(painter, s, false, context);
}

}  // namespace

QImage flattenHistory(const QImage& originImage, std::span<const DrawShape> shapes,
                      const ShapePaintContext& context) {
    if (shapes.empty() || originImage.isNull()) return originImage;
    const bool paintable = originImage.format() == QImage::Format_RGB32 ||
                           originImage.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage origin =
        paintable ? originImage : originImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage flattened(origin.size(), origin.format());
    if (origin.isNull() || flattened.isNull()) return originImage;  // no memory: unpainted
    flattened.setDevicePixelRatio(origin.devicePixelRatio());
    const uchar* from = origin.constBits();
    uchar* to = flattened.bits();
    const qsizetype bytesPerLine = flattened.bytesPerLine();
    // This stands between a finished gesture and the next frame: large screens are painted in
    // horizontal bands, one per core (up to 4), each band at least 256 rows.
    const int height = origin.height();
    const int bands = std::clamp(std::min(coreCount(), height / 256), 1, 4);
    forEachRowBand(height, bands, [&](int top, int bottom) {
        flattenBand(from, to, bytesPerLine, origin, top, bottom, shapes, context);
    });
    return flattened;
}

void addToFlattenedHistory(QImage& flattened, const DrawShape& shape,
                           const ShapePaintContext& context) {
    if (flattened.isNull()) return;
    QPainter painter(&flattened);  // a history still shared with the screen is copied here
    paintShape(painter, shape, false, context);
}

QImage pixelatedScreen(const QImage& screen) {
    if (screen.isNull()) return {};
    const QImage source = screen.format() == QImage::Format_RGB32 ||
                                  screen.format() == QImage::Format_ARGB32 ||
                                  screen.format() == QImage::Format_ARGB32_Premultiplied
                              ? screen
                              : screen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Opaque: the pixelated screen hides what lies under it, whatever alpha the grab had.
    QImage mosaic(source.size(), QImage::Format_RGB32);
    if (mosaic.isNull() || source.isNull()) return {};
    const double dpr = screen.devicePixelRatio();
    // Blocks of 4 points; the last point row and column keep their own pixels.
    const int block = std::max(1, static_cast<int>(std::lround(kMosaicBlockLevel * dpr)));
    const int edge = std::max(1, static_cast<int>(std::lround(dpr)));
    pixelateMosaic(reinterpret_cast<const uint32_t*>(source.constBits()), source.bytesPerLine(),
                   reinterpret_cast<uint32_t*>(mosaic.bits()), mosaic.bytesPerLine(),
                   source.width(), source.height(), block, edge);
    if (source.format() != QImage::Format_RGB32) {
        // Premultiplied or straight words with alpha: RGB32 wants the top byte at 0xff.
        const int w = mosaic.width();
        for (int y = 0; y < mosaic.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(mosaic.scanLine(y));
            for (int x = 0; x < w; ++x) row[x] |= 0xff000000u;
        }
    }
    mosaic.setDevicePixelRatio(dpr);
    return mosaic;
}
