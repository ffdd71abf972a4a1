#pragma once
// Overlay texts drawn from cached bitmaps: laying text out anew on every pointer move costs
// more than everything else the overlay paints. ASCII texts (positions, sizes, colours) are
// put together from cached glyphs; any other text is rendered whole. Either way the finished
// text is kept, so a text that stays (the logo line, the colour over a flat area) is one copy.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QString>

class QPainter;

class TextSprites {
public:
    // Cheap: the font is looked up on warmUp(), which loads the font database (tens of
    // milliseconds on a cold start), so callers can keep it off their first frame.
    explicit TextSprites(const QFont& font) : m_font(font) {}
    void warmUp();
    bool ready() const { return m_ready; }

    // What warmUp() looks up. measure() may run on any thread (the font database guards
    // itself); a thread that runs it leaves the database loaded for the others.
    struct Metrics {
        double ascent = 0;
        double descent = 0;
    };
    static Metrics measure(const QFont& font);
    void adopt(const Metrics& metrics);
    const QFont& font() const { return m_font; }

    // Draws `text` with its baseline starting at `baseline` (widget coordinates). Warms up
    // first when needed.
    void draw(QPainter& painter, QPointF baseline, const QString& text, const QColor& color,
              double devicePixelRatio);

    // How far `text` reaches from its start; 0 until warmed up.
    double width(const QString& text);

    double descent() const { return m_descent; }

private:
    struct Sprite {
        QImage image;    // the text with a margin, at the device pixel ratio
        QPointF origin;  // where the baseline start lies inside the image, in points
        double advance = 0;
        QRect ink;  // the pixels that are not transparent
    };
    struct Key {
        QString text;
        QRgb color;
        qint64 dpr;  // in 64ths
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& k, size_t seed) { return qHashMulti(seed, k.text, k.color); }
    };
    Sprite render(const QString& text, const QColor& color, double dpr) const;
    Sprite compose(const QString& text, const QColor& color, double dpr);

    QFont m_font;
    bool m_ready = false;
    double m_ascent = 0;
    double m_descent = 0;
    QHash<Key, Sprite> m_sprites;     // finished texts
    QHash<quint64, Sprite> m_glyphs;  // single glyphs by colour, character and pixel ratio
    QString m_measured;               // the last text measured, and its width
    double m_measuredWidth = 0;
};
