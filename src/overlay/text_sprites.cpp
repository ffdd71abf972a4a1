#include "overlay/text_sprites.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Glyphs may reach a little outside their advance and line box.
constexpr int kMargin = 2;
// Finished texts kept: those that stay and the last few that changed. Past it the cache starts
// over (a position text is new on every move).
constexpr qsizetype kMaxSprites = 64;

bool isAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    }
    return true;
}

// The smallest rectangle holding every pixel of `image` that is not transparent.
QRect inkOf(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] >> 24 != 0) ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// Puts the pixels `ink` of `glyph` into `line`, moved right by `left` columns: copied where the
// line holds nothing yet (`clear`), else blended over what it holds.
void putGlyph(QImage& line, const QImage& glyph, const QRect& ink, int left, bool clear) {
    uchar* const bits = line.bits();
    const qsizetype stride = line.bytesPerLine();
    const uchar* const from = glyph.constBits();
    const qsizetype fromStride = glyph.bytesPerLine();
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(from + y * fromStride);
        auto* dst = reinterpret_cast<uint32_t*>(bits + y * stride) + left;
        if (clear) {
            std::memcpy(dst + ink.left(), src + ink.left(), ink.width() * sizeof(uint32_t));
            continue;
        }
        for (int x = ink.left(); x <= ink.right(); ++x) {
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
    if (!m_ready) adopt(measure(m_font));
}

TextSprites::Metrics TextSprites::measure(const QFont& font) {
    const QFontMetricsF metrics(font);
    return {metrics.ascent(), metrics.descent()};
}

void TextSprites::adopt(const Metrics& metrics) {
    if (m_ready) return;
    m_ascent = metrics.ascent;
    m_descent = metrics.descent;
    m_ready = true;
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
    s.ink = inkOf(s.image);
    return s;
}

TextSprites::Sprite TextSprites::compose(const QString& text, const QColor& color, double dpr) {
    if (!isAscii(text) || text.isEmpty()) return render(text, color, dpr);
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
    const Sprite& first = *glyphs.front();
    const int width =
        static_cast<int>(std::ceil((advance + 2 * kMargin) * dpr)) + first.image.width();
    Sprite line;
    line.origin = first.origin;
    line.advance = advance;
    line.image = QImage(width, first.image.height(), QImage::Format_ARGB32_Premultiplied);
    line.image.fill(Qt::transparent);
    // The glyphs go into one line image: a painter call per glyph costs more than blending all
    // of their pixels.
    double pen = 0;
    int reached = 0;  // the columns left of it hold ink already
    for (const Sprite* g : glyphs) {
        const int left = static_cast<int>(std::lround(pen * dpr));
        pen += g->advance;
        const QRect ink = g->ink.intersected(QRect(-left, 0, width, line.image.height()));
        if (ink.isEmpty()) continue;
        // Over columns nothing was put in yet, blending gives the glyph's own pixels.
        const bool clear = left + ink.left() >= reached;
        reached = std::max(reached, left + ink.right() + 1);
        putGlyph(line.image, g->image, ink, left, clear);
    }
    line.image.setDevicePixelRatio(dpr);
    return line;
}

void TextSprites::draw(QPainter& painter, QPointF baseline, const QString& text,
                       const QColor& color, double dpr) {
    warmUp();
    if (text.isEmpty()) return;
    const Key key{text, color.rgba(), std::lround(dpr * 64)};
    auto it = m_sprites.constFind(key);
    if (it == m_sprites.constEnd()) {
        if (m_sprites.size() >= kMaxSprites) m_sprites.clear();
        it = m_sprites.insert(key, compose(text, color, dpr));
    }
    painter.drawImage(baseline - it->origin, it->image);
}
