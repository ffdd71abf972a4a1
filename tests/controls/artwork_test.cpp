// Every image the two strips name exists, has the size the strips draw it at, and shows its
// colours; images are drawn at the pixel ratio asked for and kept.
#include "controls/artwork.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <cmath>
#include <thread>

namespace {

struct Named {
    const char* name;
    int width, height;  // points
};

// The toolbar's and the colour and size bar's image names, kept here apart from the code.
const Named kStripImages[] = {
    {"Rectangle", 16, 16},     {"Rectangle_h", 16, 16},    {"Circle", 16, 16},
    {"Circle_h", 16, 16},      {"Arrow", 16, 16},          {"Arrow_h", 16, 16},
    {"Brush", 16, 16},         {"Brush_h", 16, 16},        {"glitter", 16, 16},
    {"glitter_h", 16, 16},     {"mosaic", 16, 16},         {"mosaic_h", 16, 16},
    {"Text", 16, 16},          {"Text_h", 16, 16},         {"Undo", 16, 16},
    {"Undo_h", 16, 16},        {"Undo_disable", 16, 16},   {"Save", 16, 16},
    {"Save_h", 16, 16},        {"Exit", 16, 16},           {"Exit_h", 16, 16},
    {"Finish", 16, 16},        {"Finish_h", 16, 16},       {"split", 1, 12},
    {"pointsmall", 6, 6},      {"pointsmall_h", 6, 6},     {"pointmiddle", 10, 10},
    {"pointmiddle_h", 10, 10}, {"point_big", 14, 14},      {"point_big_h", 14, 14},
    {"red", 12, 12},           {"yellow", 12, 12},         {"blue", 12, 12},
    {"green", 12, 12},         {"black", 12, 12},          {"gray", 12, 12},
    {"white", 12, 12},         {"color_selected", 16, 16}, {"logo", 24, 24},
};

int opaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 200;
    }
    return n;
}

TEST(Artwork, EveryStripImageExistsAtItsSizeAndIsDrawnAtTheRatio) {
    Artwork art;
    for (const Named& n : kStripImages) {
        SCOPED_TRACE(n.name);
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/toolbar/%1.svg").arg(n.name)));
        EXPECT_TRUE(Artwork::names().contains(n.name));  // so that prepare() draws it
        for (double dpr : {1.0, 1.5, 2.0}) {
            const QImage image = art.image(n.name, dpr);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.size(), QSize(std::ceil(n.width * dpr), std::ceil(n.height * dpr)));
            EXPECT_EQ(image.devicePixelRatio(), dpr);
            EXPECT_GT(opaquePixels(image), 0);
        }
    }
    EXPECT_EQ(Artwork::names().size(), std::size(kStripImages));
}

TEST(Artwork, SwatchImagesShowTheirPaletteColour) {
    const struct {
        const char* name;
        QColor colour;
    } rows[] = {{"red", QColor(255, 0, 0)},      {"yellow", QColor(255, 218, 0)},
                {"blue", QColor(17, 129, 254)},  {"green", QColor(29, 172, 29)},
                {"black", QColor(0, 0, 0)},      {"gray", QColor(109, 109, 109)},
                {"white", QColor(255, 255, 255)}};
    Artwork art;
    for (const auto& row : rows) {
        for (double dpr : {1.0, 2.0}) {
            const QImage image = art.image(row.name, dpr);
            EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), row.colour)
                << row.name << " at " << dpr;
        }
    }
}

// The ink of an icon: the average colour of its fully opaque pixels.
QColor ink(const QImage& image) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 250) continue;
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    }
    return n == 0 ? QColor() : QColor(r / n, g / n, b / n);
}

TEST(Artwork, HoverVariantsAreHighlightedAndTheDisabledUndoIsGreyed) {
    Artwork art;
    const char* const icons[] = {"Rectangle", "Circle",     "Arrow",       "Brush",    "glitter",
                                 "mosaic",    "Text",       "Undo",        "Save",     "Exit",
                                 "Finish",    "pointsmall", "pointmiddle", "point_big"};
    for (const char* icon : icons) {
        SCOPED_TRACE(icon);
        const QImage normal = art.image(icon, 2);
        const QImage hover = art.image(QString(icon) + "_h", 2);
        // Same shape, another ink: light on the dark strip, an accent when hovered.
        EXPECT_EQ(opaquePixels(normal), opaquePixels(hover));
        EXPECT_GT(ink(normal).lightness(), 200);
        EXPECT_GT(ink(hover).saturation(), 100);
    }
    const QColor grey = ink(art.image("Undo_disable", 2));
    EXPECT_LT(grey.lightness(), 130);
    EXPECT_LT(grey.saturation(), 20);
}

TEST(Artwork, UnknownNamesGiveNoImage) {
    Artwork art;
    EXPECT_TRUE(art.image("NoSuchImage", 1).isNull());
    EXPECT_TRUE(art.image("", 2).isNull());
}

TEST(Artwork, PreparedImagesAreTheOnesHandedOut) {
    Artwork art;
    art.prepare(2);
    for (const QString& name : Artwork::names()) {
        EXPECT_EQ(art.image(name, 2).cacheKey(), art.image(name, 2).cacheKey()) << qPrintable(name);
    }
    // Another ratio is drawn on its own.
    EXPECT_NE(art.image("logo", 1).cacheKey(), art.image("logo", 2).cacheKey());
}

TEST(Artwork, PrepareOnAWorkerThreadWhileTheGuiAsksForImages) {
    Artwork art;
    std::thread worker([&art] { art.prepare(2); });
    for (const QString& name : Artwork::names()) EXPECT_FALSE(art.image(name, 2).isNull());
    worker.join();
    for (const QString& name : Artwork::names()) {
        EXPECT_EQ(art.image(name, 2).cacheKey(), art.image(name, 2).cacheKey()) << qPrintable(name);
    }
}

}  // namespace
