#include "capture/screen_geometry.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

namespace {

const ScreenInfo kMain{{0, 0, 1440, 900}, 1};
const ScreenInfo kAbove{{0, 900, 1920, 1080}, 1};  // a second screen above the main one
const ScreenInfo kLeft{{-1280, 0, 1280, 1024}, 2};

TEST(ScreenGeometry, ScreenUnderThePoint) {
    struct Row {
        std::vector<ScreenInfo> screens;
        bool check;
        Point pt;
        Rect expected;
    };
    const Row rows[] = {
        {{kMain}, true, {5000, 5000}, kMain.frame},        // one screen: always it
        {{kMain, kAbove}, true, {10, 950}, kAbove.frame},  // inside the upper screen
        {{kMain, kAbove}, true, {10, 901}, kAbove.frame},  // its bottom pixel row
        {{kMain, kAbove}, true, {10, 900}, kMain.frame},   // the main screen's top pixel row
        {{kMain, kAbove}, true, {1440, 10}, kMain.frame},  // on no screen: the first
        {{kMain, kAbove}, false, {10, 950}, kMain.frame},  // no check: the first
        {{kMain, kLeft}, true, {-1, 1}, kLeft.frame},     {{}, true, {0, 0}, Rect{}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(getScreensRect(row.screens, row.check, row.pt), row.expected)
            << row.pt.x << "," << row.pt.y;
    }
}

TEST(ScreenGeometry, HeightDifferenceAndGrabRectangle) {
    EXPECT_EQ(getScreenHeightDiff({kMain}, {10, 10}), 0.0f);
    EXPECT_EQ(getScreenHeightDiff({kMain, kAbove}, {10, 950}), -180.0f);
    EXPECT_EQ(getScreenHeightDiff({kMain, kAbove}, {10, 10}), 0.0f);
    EXPECT_EQ(getScreenHeightDiff({kMain, kLeft}, {-10, 10}), -124.0f);
    EXPECT_EQ(getScreenHeightDiff({kMain, kAbove}, {5000, 10}), 0.0f) << "a point on no screen";

    // Overlapping monitors of different sizes, in user-interface coordinates: a 1024 x 768
    // mirror of the main screen's top-left corner, and one nested in its middle. Where both
    // hold the point, the grab must be the main screen's, at its place.
    const ScreenInfo mirror{{0, 312, 1024, 768}, 1};
    const ScreenInfo nested{{448, 156, 1024, 768}, 1};
    const ScreenInfo main1080{{0, 0, 1920, 1080}, 1};
    struct Row {
        std::vector<ScreenInfo> screens;
        Point pointer;
        Rect grab;  // global display coordinates
    };
    const Row rows[] = {
        {{main1080, mirror}, {100, 980}, {0, 0, 1920, 1080}},   // on both
        {{main1080, mirror}, {1500, 100}, {0, 0, 1920, 1080}},  // on the main screen only
        {{main1080, nested}, {900, 500}, {0, 0, 1920, 1080}},
        {{main1080, nested}, {10, 10}, {0, 0, 1920, 1080}},
    };
    for (const Row& row : rows) {
        const Rect screen = getScreensRect(row.screens, true, row.pointer);
        EXPECT_EQ(grabRectForScreen(screen, getScreenHeightDiff(row.screens, row.pointer)),
                  row.grab)
            << row.pointer.x << "," << row.pointer.y;
    }

    EXPECT_EQ(grabRectForScreen(kMain.frame, 0), kMain.frame) << "one screen: unchanged";
    EXPECT_EQ(grabRectForScreen(kAbove.frame, -180), (Rect{0, -1080, 1920, 1080}));
    // Main screen 1000 high; a screen to the left whose bottom is 100 points above its bottom.
    EXPECT_EQ(grabRectForScreen({-800, 100, 800, 600}, 400), (Rect{-800, 300, 800, 600}));
}

TEST(ScreenGeometry, WindowBoundsToViewAndClipping) {
    const Rect view = windowBoundsToView({-50, 100, 400, 300}, kMain.frame, 0);
    EXPECT_EQ(view, (Rect{-50, 500, 400, 300}));
    EXPECT_EQ(clipWindowRect(view, 1440, 900), (Rect{1, 500, 350, 300}));

    // The upper screen: display y -1080 is its top edge.
    EXPECT_EQ(windowBoundsToView({100, -1080, 200, 100}, kAbove.frame, -180),
              (Rect{100, 980, 200, 100}));

    struct Row {
        Rect in;
        Rect expected;
    };
    const Row rows[] = {
        {{10, 10, 100, 100}, {10, 10, 100, 100}},     // inside: unchanged
        {{0, 0, 100, 100}, {0, 0, 100, 100}},         // at the origin: kept
        {{10, -20, 100, 100}, {10, 1, 100, 80}},      // below the bottom edge
        {{10, 850, 100, 100}, {10, 850, 100, 49}},    // past the top: ends at H - 1
        {{1400, 10, 40, 100}, {1400, 10, 39, 100}},   // touching the right edge
        {{-10, -10, 2000, 2000}, {1, 1, 1438, 898}},  // larger than the screen
    };
    for (const Row& row : rows) {
        EXPECT_EQ(clipWindowRect(row.in, 1440, 900), row.expected) << row.in.x << "," << row.in.y;
    }
}

TEST(ScreenGeometry, WindowOfferedAtThePointer) {
    const std::vector<Rect> windows = {
        {100, 100, 200, 200},  // front-most
        {50, 50, 500, 500},    // behind it, larger
    };
    // Display y 150 is view y 900 - 150 = 750.
    EXPECT_EQ(windowSelectionAt(windows, {150, 750}, kMain.frame, 0), (Rect{100, 600, 200, 200}));
    EXPECT_EQ(windowSelectionAt(windows, {60, 840}, kMain.frame, 0), (Rect{50, 350, 500, 500}));
    EXPECT_EQ(windowSelectionAt(windows, {1000, 100}, kMain.frame, 0), (Rect{0, 0, 1440, 900}))
        << "over the desktop: the whole screen";
    EXPECT_EQ(windowSelectionAt({}, {10, 10}, kMain.frame, 0), (Rect{0, 0, 1440, 900}));
}

TEST(ScreenGeometry, DragRectangleAndAutomaticRectangle) {
    EXPECT_EQ(currentRect({100, 50}, {40, 80}), (Rect{40, 50, 60, 30}));
    EXPECT_EQ(currentRect({0.1, 0}, {0, 0}).width, static_cast<double>(0.1f)) << "32-bit floats";

    CaptureParam p;
    p.autoCaptureFlag = 1;
    p.xPos = 10;
    p.yPos = 20;
    p.nWidth = 100;
    p.nHeight = 50;
    EXPECT_EQ(automaticCaptureRect(p, kMain.frame), (Rect{10, 830, 100, 50}));
    p.autoCaptureFlag = 2;
    EXPECT_EQ(automaticCaptureRect(p, kMain.frame), (Rect{0, 0, 1440, 900}));
    p.autoCaptureFlag = 1;
    p.xPos = 1400;
    p.yPos = -10;
    EXPECT_EQ(automaticCaptureRect(p, kMain.frame), (Rect{1400, 860, 100, 50})) << "not clipped";
}

}  // namespace
