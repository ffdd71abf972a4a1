#include "overlay/overlay_painter.h"

#include <QPainterPath>
#include <cmath>

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
        painter.drawImage(qtRectFromView(m.zoomTarget, H), *in.originImage, sourcePixels);
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
