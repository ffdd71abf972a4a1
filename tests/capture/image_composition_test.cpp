#include "capture/image_composition.h"

#include <gtest/gtest.h>

#include "support/test_images.h"

namespace {

// Every pixel distinct, so an offset or a flip shows.
using test_images::positionImage;

TEST(ImageComposition, SelectionIsCutWithTheYFlip) {
    const QImage screen = positionImage(300, 200);
    // View rectangle (10, 20, 50, 30) on a 200-point screen: top-left pixel row 200-20-30 = 150.
    const QImage cut = cutSelection(screen, {10, 20, 50, 30}, 200);
    ASSERT_EQ(cut.size(), QSize(50, 30));
    EXPECT_EQ(cut.pixel(0, 0), screen.pixel(10, 150));
    EXPECT_EQ(cut.pixel(49, 29), screen.pixel(59, 179));
}

TEST(ImageComposition, HighDensityKeepsDevicePixels) {
    const QImage screen = positionImage(600, 400, 2);
    const QImage cut = cutSelection(screen, {10, 20, 50, 30}, 200);
    ASSERT_EQ(cut.size(), QSize(100, 60));
    EXPECT_EQ(cut.devicePixelRatio(), 2);
    EXPECT_EQ(cut.pixel(0, 0), screen.pixel(20, 300));
    EXPECT_EQ(cut.pixel(99, 59), screen.pixel(119, 359));
}

TEST(ImageComposition, OutsideTheScreenIsTransparent) {
    const QImage screen = positionImage(300, 200);
    // Starts 10 points left of the screen and reaches 20 points above its top.
    const QImage cut = cutSelection(screen, {-10, 190, 40, 30}, 200);
    ASSERT_EQ(cut.size(), QSize(40, 30));
    EXPECT_EQ(qAlpha(cut.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(cut.pixel(9, 25)), 0) << "left of the screen";
    EXPECT_EQ(qAlpha(cut.pixel(15, 19)), 0) << "above the screen";
    EXPECT_EQ(cut.pixel(10, 20), screen.pixel(0, 0));
    EXPECT_EQ(cut.pixel(39, 29), screen.pixel(29, 9));
}

TEST(ImageComposition, EmptySelectionGivesNoImage) {
    const QImage screen = positionImage(30, 20);
    EXPECT_TRUE(cutSelection(screen, {5, 5, 0, 10}, 20).isNull());
    EXPECT_TRUE(cutSelection(screen, {5, 5, 10, -3}, 20).isNull());
    EXPECT_TRUE(cutSelection(QImage(), {5, 5, 10, 10}, 20).isNull());
    EXPECT_EQ(selectionPixelRect({0.4, 0.4, 10.2, 10.2}, 20, 1), QRect(0, 9, 11, 11))
        << "edges rounded to whole pixels";
}

// Every channel value darkens to round(c * 171 / 255); the rectangle lands shifted and clipped
// to both images, and nothing else of the target changes.
TEST(ImageComposition, DarkenIntoWritesTheDarkenedRectangleOnly) {
    QImage source(259, 3, QImage::Format_RGB32);  // 259: the vector loop and its remainder
    for (int x = 0; x < source.width(); ++x) {
        for (int y = 0; y < 3; ++y)
            source.setPixel(x, y, qRgb(x % 256, (x * 7 + y) % 256, 255 - x % 256));
    }
    struct Case {
        const char* name;
        QRect from;
        QPoint to;
    };
    for (const Case& c : {Case{"whole", {0, 0, 259, 3}, {0, 0}},
                          Case{"shifted and clipped by the target", {10, 1, 259, 2}, {-5, 2}},
                          Case{"clipped by the source", {-3, -1, 20, 9}, {1, 0}}}) {
        SCOPED_TRACE(c.name);
        QImage target(255, 4, QImage::Format_ARGB32_Premultiplied);
        target.fill(0xff123456);
        ASSERT_TRUE(darkenInto(source, c.from, target, c.to));
        const QPoint shift = c.to - c.from.topLeft();
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QPoint at = QPoint(x, y) - shift;
                const bool inside = c.from.contains(at) && source.rect().contains(at);
                const QRgb p = inside ? source.pixel(at) : 0;
                const auto dark = [](int v) { return (v * 171 + 128) >> 8; };
                const QRgb expected =
                    inside ? qRgb(dark(qRed(p)), dark(qGreen(p)), dark(qBlue(p))) : 0xff123456;
                ASSERT_EQ(target.pixel(x, y), expected) << x << "," << y;
            }
        }
    }
    QImage shared(10, 10, QImage::Format_RGB32);
    const QImage copy = shared;
    EXPECT_FALSE(darkenInto(source, {0, 0, 5, 5}, shared, {0, 0})) << "a target sharing pixels";
    QImage own = shared.copy();
    EXPECT_FALSE(
        darkenInto(source.convertToFormat(QImage::Format_ARGB32), {0, 0, 5, 5}, own, {0, 0}))
        << "a source with alpha";
}

}  // namespace
