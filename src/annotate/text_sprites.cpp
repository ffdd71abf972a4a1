#include "annotate/text_sprites.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace {

// Glyphs may reach a little outside their advance and line box.
constexpr int kMargin = 2;
// Enough for every glyph of every colour the overlay uses; past it the cache starts over.
constexpr qsizetype kMaxSprites = 512;

bool isAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    }
    return true;
}

}  // namespace

void TextSprites::warmUp() {
    if (m_ready) return;
    const QFontMetricsF metrics(m_font);
    m_ascent = metrics.ascent();
    m_descent = metrics.descent();
    m_ready = true;
}

const TextSprites::Sprite& TextSprites::sprite(const QString& text, const QColor& color,
                                               double dpr) {
    const QString key =
        text + QChar(0) + color.name(QColor::HexArgb) + QChar(0) + QString::number(dpr);
    if (auto it = m_sprites.constFind(key); it != m_sprites.constEnd()) return *it;
    if (m_sprites.size() >= kMaxSprites) m_sprites.clear();

    const QFontMetricsF metrics(m_font);
    Sprite s;
    s.advance = metrics.horizontalAdvance(text);
    s.origin = QPointF(kMargin, kMargin + m_ascent);
    const QSizeF size(s.advance + 2 * kMargin, m_ascent + m_descent + 2 * kMargin);
    s.image = QImage(std::ceil(size.width() * dpr), std::ceil(size.height() * dpr),
                     QImage::Format_ARGB32_Premultiplied);
    s.image.setDevicePixelRatio(dpr);
    s.image.fill(Qt::transparent);
    QPainter p(&s.image);
    p.setFont(m_font);
    p.setPen(color);
    p.drawText(s.origin, text);
    p.end();
    return *m_sprites.insert(key, s);
}

void TextSprites::draw(QPainter& painter, QPointF baseline, const QString& text,
                       const QColor& color, double dpr) {
    warmUp();
    if (!isAscii(text)) {
        const Sprite& s = sprite(text, color, dpr);
        painter.drawImage(baseline - s.origin, s.image);
        return;
    }
    QPointF pen = baseline;
    for (QChar c : text) {
        const Sprite& s = sprite(QString(c), color, dpr);
        painter.drawImage(pen - s.origin, s.image);
        pen.rx() += s.advance;
    }
}
