// Pixels and their regions against what the toolkit's own image operations give.
#include <gtest/gtest.h>

#include <QPainter>

#include "platform/pixels_image.h"

namespace {

QImage sample(QImage::Format format) {
    QImage image(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgba(x * 6, y * 8, 200 - x - y, x < 20 ? 255 : 64 + y));
        }
    }
    return image.convertToFormat(format);
}

// What the region must hold: the picture copied at (-x, -y) into transparency, or drawn over
// black.
QImage expectedRegion(const QImage& picture, QRect region, bool black) {
    QImage out(region.size(), black ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    out.fill(black ? Qt::black : Qt::transparent);
    QPainter painter(&out);
    if (!black) painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(-region.topLeft(), picture);
    return out;
}

TEST(Pixels, RegionsHoldThePicturesPixelsAndTheOutsideAsAsked) {
    struct Row {
        const char* name;
        QImage::Format format;
        QRect region;
        Pixels::Outside outside;
    } rows[] = {
        {"inside, opaque", QImage::Format_RGB32, {5, 4, 20, 10}, Pixels::Outside::Transparent},
        {"inside, with alpha", QImage::Format_ARGB32, {5, 4, 20, 10}, Pixels::Outside::Black},
        {"across the edge, transparent",
         QImage::Format_RGB32,
         {-5, 20, 30, 20},
         Pixels::Outside::Transparent},
        {"across the edge, black", QImage::Format_RGB32, {30, -6, 20, 20}, Pixels::Outside::Black},
        {"alpha across the edge",
         QImage::Format_ARGB32,
         {10, 10, 40, 40},
         Pixels::Outside::Transparent},
        {"premultiplied across the edge, black",
         QImage::Format_ARGB32_Premultiplied,
         {-3, -3, 30, 30},
         Pixels::Outside::Black},
        {"wholly outside", QImage::Format_RGB32, {100, 100, 8, 8}, Pixels::Outside::Black},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage picture = sample(row.format);
        Pixels pixels = pixelsOf(picture);
        pixels.setDevicePixelRatio(1.5);
        const Pixels part = pixels.region(row.region.x(), row.region.y(), row.region.width(),
                                          row.region.height(), row.outside);
        ASSERT_FALSE(part.isNull());
        EXPECT_EQ(part.devicePixelRatio(), 1.5);
        const QImage got = imageOf(part);
        if (picture.rect().contains(row.region)) {
            EXPECT_EQ(got.format(), picture.format());
            EXPECT_EQ(got, picture.copy(row.region));
        } else {
            const bool black = row.outside == Pixels::Outside::Black;
            EXPECT_EQ(got, expectedRegion(picture, row.region, black));
        }
    }
}

TEST(Pixels, TheWholePictureIsSharedAndAnythingElseCopied) {
    const QImage picture = sample(QImage::Format_RGB32);
    const Pixels pixels = pixelsOf(picture);
    EXPECT_EQ(pixels.constBits(), picture.constBits()) << "wrapped without a copy";
    EXPECT_EQ(pixels.region(0, 0, 40, 30).constBits(), picture.constBits());
    EXPECT_NE(pixels.region(0, 0, 40, 29).constBits(), picture.constBits());
    EXPECT_EQ(imageOf(pixels).constBits(), picture.constBits());
    EXPECT_TRUE(pixels.region(0, 0, 0, 5).isNull());
    EXPECT_TRUE(Pixels().region(0, 0, 5, 5).isNull());
    EXPECT_TRUE(Pixels::allocate(0, 10, QImage::Format_RGB32).isNull());
    EXPECT_TRUE(Pixels::allocate(10, 10, QImage::Format_RGB888).isNull());
    // Other layouts become one the encoder takes, pixel for pixel.
    const QImage rgb888 = picture.convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(imageOf(pixelsOf(rgb888)).convertToFormat(QImage::Format_RGB888), rgb888);
}

}  // namespace
