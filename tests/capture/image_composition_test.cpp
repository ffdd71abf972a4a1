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

}  // namespace
