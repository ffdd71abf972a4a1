#include "overlay/overlay_painter.h"

#include <QHash>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "overlay/stroke_cache.h"
#include "overlay/text_sprites.h"
#include "overlay/zoom_blit.h"
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

namespace {

// The pixels around the pointer, scaled up into the magnifier's zoom.
void paintZoom(QPainter& painter, const MagnifierInputs& in, const MagnifierLayout& m) {
    if (!in.originImage || in.originImage->isNull()) return;
    const double H = in.screen.height;
    const double dpr = in.originImage->devicePixelRatio();
    const QRectF source = qtRectFromView(m.zoomSource, H);
    const QRectF sourcePixels(source.x() * dpr, source.y() * dpr, source.width() * dpr,
                              source.height() * dpr);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRectF target = qtRectFromView(m.zoomTarget, H);
    if (!in.cache || !drawZoom(painter, *in.originImage, target, sourcePixels, in.cache->zoom)) {
        painter.drawImage(target, *in.originImage, sourcePixels);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void logReadoutOutside(Log& log, const MagnifierInputs& in) {
    const double dpr = in.colorImage ? in.colorImage->devicePixelRatio() : 1;
    const auto pixel = readoutPixel(in.cursor, in.screen, dpr);
    log.write(QStringLiteral("wrong index: y:%1, x:%2, width:%3, height:%4")
                  .arg(pixel ? pixel->y : static_cast<int>(in.screen.height - in.cursor.y))
                  .arg(pixel ? pixel->x : static_cast<int>(in.cursor.x))
                  .arg(in.screen.width, 0, 'f', 6)
                  .arg(in.screen.height, 0, 'f', 6));
}

}  // namespace

Rect paintMagnifier(QPainter& painter, TextSprites* sprites, const MagnifierInputs& in, Log* log) {
    const double H = in.screen.height;
    const MagnifierLayout m = magnifierLayout(in.cursor, in.selection, in.screen,
                                              !in.logoText.isEmpty(), in.anchoredToSelection);
    const Rect panel{static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
                     static_cast<double>(m.height)};

    paintZoom(painter, in, m);
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
    if (readout.outside && log) logReadoutOutside(*log, in);
    drawTextAt(painter, sprites, {m.px + 8.0, m.py + 18.0}, readout.position, Qt::white, H);
    drawTextAt(painter, sprites, {m.px + 8.0, m.py + 2.0}, readout.color, Qt::white, H);
    return panel;
}
