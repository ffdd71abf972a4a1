#include "overlay/overlay_painter.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include "overlay/text_sprites.h"
#include "platform/view_transform.h"
#include "support/test_images.h"

namespace {

// The magnifier's readout, as handed to the painter, at the screen's edges: a pixel stands for
// its top-left corner, so the top row is read at y = H and the bottom row at y = 1.
TEST(MagnifierReadout, ReadsThePixelUnderTheCursorAtEveryEdge) {
    struct Row {
        double dpr;
        Point cursor;
        const char* position;
        const char* color;
        bool outside;
    };
    // A 40 x 30 point screen whose every pixel has the colour (column, row, 7).
    const Row rows[] = {
        {1, {0, 30}, "(0, 30)", "RGB:#000007", false},      // top-left pixel
        {1, {39, 1}, "(39, 1)", "RGB:#271d07", false},      // bottom-right pixel
        {1, {12, 20}, "(12, 20)", "RGB:#0c0a07", false},    // row 30 - 20
        {1, {10, 0}, "(10, 0)", "RGB:#0a1d07", false},      // below the bottom: kept on it
        {1, {45, 10}, "(45, 10)", "RGB:#000000", true},     // right of the screen
        {2, {0, 30}, "(0, 30)", "RGB:#000007", false},      // device row 0
        {2, {39.5, 0.5}, "(39, 0)", "RGB:#4f3b07", false},  // the last device pixel
    };
    for (const Row& row : rows) {
        const int w = static_cast<int>(40 * row.dpr), h = static_cast<int>(30 * row.dpr);
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 7));
        }
        image.setDevicePixelRatio(row.dpr);
        MagnifierInputs in;
        in.cursor = row.cursor;
        in.screen = {40, 30};
        in.colorImage = &image;
        const MagnifierReadout r = magnifierReadout(in);
        EXPECT_EQ(r.position, row.position);
        EXPECT_EQ(r.color, row.color) << row.position << " at ratio " << row.dpr;
        EXPECT_EQ(r.outside, row.outside) << row.position;
    }
}

// The magnifier drawn with the painter's general primitives alone: the zoom scaled by
// drawImage, the frame, cross-hair and logo line stroked. What the magnifier shows is defined
// by these; its own drawing must give the same pixels.
void paintWithPrimitives(QPainter& painter, TextSprites* sprites, const MagnifierInputs& in) {
    const double H = in.screen.height, dpr = in.originImage->devicePixelRatio();
    const MagnifierLayout m = magnifierLayout(in.cursor, in.selection, in.screen,
                                              !in.logoText.isEmpty(), in.anchoredToSelection);
    const QRectF source = qtRectFromView(m.zoomSource, H);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(
        qtRectFromView(m.zoomTarget, H), *in.originImage,
        QRectF(source.x() * dpr, source.y() * dpr, source.width() * dpr, source.height() * dpr));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 230), 1));
    painter.drawRect(qtRectFromView({double(m.px), double(m.py), 144, double(m.height)}, H));
    painter.fillRect(qtRectFromView(m.textPanel, H), QColor(0, 0, 0, 210));
    QPainterPath cross;
    cross.moveTo(qtPointFromView({m.px + 72.0, m.py + m.height - 88.0}, H));
    cross.lineTo(qtPointFromView({m.px + 72.0, m.py + m.height - 1.0}, H));
    cross.moveTo(qtPointFromView({m.px + 1.0, m.py + m.height - 44.0}, H));
    cross.lineTo(qtPointFromView({m.px + 144.0, m.py + m.height - 44.0}, H));
    painter.strokePath(cross, QPen(QColor(255, 125, 65, 150), 4));
    const auto text = [&](double x, double y, const QString& t, const QColor& color) {
        sprites->draw(painter, QPointF(x, H - y - sprites->descent()), t, color, dpr);
    };
    const QColor logo(215, 140, 85);
    if (!in.logoText.isEmpty()) {
        painter.setPen(QPen(logo, 0.9));
        painter.drawLine(qtPointFromView({m.px + 4.0, m.py + 36.0}, H),
                         qtPointFromView({m.px + 137.0, m.py + 36.0}, H));
        text(m.px + 5.0, m.py + 42.0, in.logoText, logo);
    }
    const MagnifierReadout readout = magnifierReadout(in);
    text(m.px + 8.0, m.py + 18.0, readout.position, Qt::white);
    text(m.px + 8.0, m.py + 2.0, readout.color, Qt::white);
}

// At the screen's edges the zoom's source leaves the screen and only part of the zoom is
// drawn. The backing store is 32-bit with or without alpha; a paint event's clip is a region
// more often than a rectangle, which sends the painter's scaled drawing down another path.
TEST(MagnifierPainting, GivesThePixelsOfThePaintersPrimitives) {
    struct Row {
        double dpr;
        Point cursor;
        bool anchored;
    };
    const Row rows[] = {
        {1, {150, 100}, false},
        {1, {3, 100}, false},
        {1, {297, 60}, false},
        {1, {150, 199}, false},
        {1, {140, 1}, false},
        {1, {0, 0}, false},
        {1, {299, 200}, true},
        {2, {150, 100}, false},
        {2, {3.5, 100}, false},
        {2, {297, 60.5}, false},
        {2, {150, 199.5}, false},
        {2, {140, 0.5}, false},
        {2, {299.5, 200}, true},
        {1.5, {150, 100}, false},
        {1.5, {3, 100}, false},
        // Clear of the edges.
        {1, {60, 10}, false},
        {1, {60, 190}, false},
        {2, {60.5, 15.5}, false},
        {2, {60, 189.5}, false},
    };
    const Size screen{300, 200};
    TextSprites sprites(overlayFont());
    sprites.warmUp();
    for (const Row& row : rows) {
        const QImage origin = test_images::positionImage(300 * row.dpr, 200 * row.dpr, row.dpr);
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
            for (bool regionClip : {false, true}) {
                for (bool logo : {false, true}) {
                    MagnifierInputs in;
                    in.cursor = row.cursor;
                    in.selection = {40, 30, 120, 80};
                    in.screen = screen;
                    in.logoText = logo ? QStringLiteral("Quillet截图 [example.org]") : QString();
                    in.anchoredToSelection = row.anchored;
                    in.originImage = &origin;
                    in.colorImage = &origin;
                    // Something other than the screen under the magnifier: the dark image.
                    QImage expected = test_images::noiseImage(origin.width(), origin.height());
                    expected = expected.convertToFormat(format);
                    expected.setDevicePixelRatio(row.dpr);
                    QImage actual = expected;
                    MagnifierCache cache;
                    const auto paint = [&](QImage& image, bool primitives) {
                        QPainter painter(&image);
                        if (regionClip) {
                            painter.setClipRegion(QRegion(0, 0, 300, 200) - QRegion(0, 0, 1, 1));
                        }
                        if (primitives) {
                            paintWithPrimitives(painter, &sprites, in);
                        } else {
                            MagnifierInputs cached = in;
                            cached.cache = &cache;
                            paintMagnifier(painter, &sprites, cached, nullptr);
                        }
                    };
                    // A paint elsewhere first: what is kept from it must not show in the next.
                    for (Point at : {Point{row.cursor.x + 7, row.cursor.y - 5}, row.cursor}) {
                        in.cursor = at;
                        paint(expected, true);
                        paint(actual, false);
                    }
                    for (int y = 0; y < expected.height(); ++y) {
                        for (int x = 0; x < expected.width(); ++x) {
                            if (actual.pixel(x, y) == expected.pixel(x, y)) continue;
                            ADD_FAILURE()
                                << "pixel (" << x << ", " << y << ") at ratio " << row.dpr
                                << ", cursor (" << row.cursor.x << ", " << row.cursor.y
                                << "), format " << format << (regionClip ? ", region clip" : "")
                                << (logo ? ", logo" : "") << ": " << std::hex << actual.pixel(x, y)
                                << " instead of " << expected.pixel(x, y);
                            y = expected.height();
                            break;
                        }
                    }
                }
            }
        }
    }
}

// A host's logo text far too long for the panel paints nothing outside the panel that a short
// one does not (the frame itself reaches a pixel beyond it).
TEST(MagnifierPainting, LongLogoTextStaysInsideThePanel) {
    const Size screen{800, 300};
    TextSprites sprites(overlayFont());
    sprites.warmUp();
    const QImage origin = test_images::positionImage(800, 300, 1);
    QRect inside;
    const auto paintWithLogo = [&](const QString& logo) {
        MagnifierInputs in;
        in.cursor = {100, 150};
        in.selection = {40, 30, 120, 80};
        in.screen = screen;
        in.logoText = logo;
        in.originImage = &origin;
        in.colorImage = &origin;
        QImage canvas(800, 300, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        inside = qtRectFromView(paintMagnifier(painter, &sprites, in, nullptr), screen.height)
                     .toAlignedRect();
        return canvas;
    };
    const QImage shortLogo = paintWithLogo(QStringLiteral("W"));
    const QImage longLogo = paintWithLogo(QString(10000, u'W'));
    int differing = 0;
    for (int y = 0; y < shortLogo.height(); ++y) {
        for (int x = 0; x < shortLogo.width(); ++x) {
            if (!inside.contains(x, y) && shortLogo.pixel(x, y) != longLogo.pixel(x, y)) {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0) << "pixels painted beside the panel";
}

}  // namespace
