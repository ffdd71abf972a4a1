#include "overlay/text_sprites.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

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

double TextSprites::width(const QString& text) {
    if (!m_ready) return 0;
    if (text != m_measured) {
        m_measured = text;
        m_measuredWidth = QFontMetricsF(m_font).horizontalAdvance(text);
    }
    return m_measuredWidth;
}

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
    return *m_sprites.insert(key, render(text, color, dpr));
}

TextSprites::Sprite TextSprites::render(const QString& text, const QColor& color,
                                        double dpr) const {
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
    return s;
}

void TextSprites::draw(QPainter& painter, QPointF baseline, const QString& text,
                       const QColor& color, double dpr) {
    warmUp();
    if (!isAscii(text)) {
        const Sprite& s = sprite(text, color, dpr);
        painter.drawImage(baseline - s.origin, s.image);
        return;
    }
    // The glyphs are put together into one line image first: a painter call per glyph costs
    // more than blending all of their pixels.
    const quint64 colorKey = quint64(color.rgba()) << 32;
    const quint64 dprKey = quint64(std::lround(dpr * 64)) & 0xFFFF;
    const auto glyphKey = [&](QChar c) { return colorKey | quint64(c.unicode()) << 16 | dprKey; };
    // Every glyph is cached before any is pointed at: an insertion may move the others.
    for (QChar c : text) {
        if (!m_glyphs.contains(glyphKey(c))) m_glyphs.insert(glyphKey(c), render(c, color, dpr));
    }
    std::vector<const Sprite*> glyphs;
    double advance = 0;
    for (QChar c : text) {
        glyphs.push_back(&*m_glyphs.constFind(glyphKey(c)));
        advance += glyphs.back()->advance;
    }
    if (glyphs.empty()) return;
    const QImage& first = glyphs.front()->image;
    const int width = static_cast<int>(std::ceil((advance + 2 * kMargin) * dpr)) + first.width();
    if (m_line.width() < width || m_line.height() != first.height()) {
        m_line = QImage(width, first.height(), QImage::Format_ARGB32_Premultiplied);
    }
    m_line.fill(Qt::transparent);
    double pen = 0;
    for (const Sprite* g : glyphs) {
        const int left = static_cast<int>(std::lround(pen * dpr));
        const int rows = g->image.height(), columns = g->image.width();
        for (int y = 0; y < rows; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(g->image.constScanLine(y));
            auto* dst = reinterpret_cast<uint32_t*>(m_line.scanLine(y)) + left;
            for (int x = 0; x < columns; ++x) {
                const uint32_t a = src[x] >> 24;
                if (a == 0) continue;
                // Premultiplied source-over, channel pair by channel pair.
                const uint32_t keep = 255 - a;
                const uint32_t d = dst[x];
                const uint32_t rb = ((d & 0x00FF00FFu) * keep + 0x00800080u) >> 8 & 0x00FF00FFu;
                const uint32_t ag = ((d >> 8 & 0x00FF00FFu) * keep + 0x00800080u) & 0xFF00FF00u;
                dst[x] = src[x] + (rb | ag);
            }
        }
        pen += g->advance;
    }
    QImage line = m_line.copy(0, 0, std::min(width, m_line.width()), m_line.height());
    line.setDevicePixelRatio(dpr);
    painter.drawImage(baseline - glyphs.front()->origin, line);
}
