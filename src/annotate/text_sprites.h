#pragma once
// Overlay texts drawn from cached bitmaps: laying text out anew on every pointer move costs
// more than everything else the overlay paints. ASCII texts (positions, sizes, colours) are
// stamped glyph by glyph; any other text is rendered whole once and kept.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QString>

class QPainter;

class TextSprites {
public:
    explicit TextSprites(const QFont& font);

    // Draws `text` with its baseline starting at `baseline` (widget coordinates).
    void draw(QPainter& painter, QPointF baseline, const QString& text, const QColor& color,
              double devicePixelRatio);

    double ascent() const { return m_ascent; }
    double descent() const { return m_descent; }

private:
    struct Sprite {
        QImage image;    // the text with a margin, at the device pixel ratio
        QPointF origin;  // where the baseline start lies inside the image, in points
        double advance = 0;
    };
    const Sprite& sprite(const QString& text, const QColor& color, double dpr);

    QFont m_font;
    double m_ascent = 0;
    double m_descent = 0;
    QHash<QString, Sprite> m_sprites;  // keyed by text, colour and pixel ratio
};
