// The screen grab against windows of known content on a private X server: every pixel that
// shows a window is compared with the pattern that window was painted with.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "e2e/x11_test_fixture.h"
#include "platform/pixels_image.h"
#include "platform/qt/qt_screens.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/system/memfd_memory.h"

namespace {

using test_pattern::WindowSpec;

// Windows that touch every edge of a 1280x800 screen and overlap each other.
const std::vector<WindowSpec> kSmallScreenWindows = {
    {0, 0, 400, 300, "top-left"},
    {880, 500, 400, 300, "bottom-right"},
    {300, 200, 700, 450, "middle"},
    {1000, 0, 280, 120, "top-right"},
};

struct GrabCase {
    std::string name;
    XSessionOptions screen;
    std::vector<WindowSpec> windows;
    Rect area;  // display coordinates, ratio 1: root pixels
    friend void PrintTo(const GrabCase& c, std::ostream* out) { *out << c.name; }
};

class ScreenGrabE2E : public testing::TestWithParam<GrabCase> {};

TEST_P(ScreenGrabE2E, GrabShowsThePatternWindowsPixelForPixel) {
    const GrabCase& c = GetParam();
    X11Platform platform(c.screen);
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(pattern.start(platform.session.display(), c.windows)) << pattern.error();

    XcbScreenGrabber grabber(platform.connection);
    EXPECT_TRUE(grabber.usesSharedMemory()) << "Xvfb offers MIT-SHM";
    const bool inside = c.area.x >= 0 && c.area.y >= 0 && c.area.right() <= c.screen.width &&
                        c.area.top() <= c.screen.height;
    for (const bool sharedMemory : {true, false}) {
        grabber.setSharedMemoryEnabled(sharedMemory);
        const QImage image = imageOf(grabber.grab(c.area));
        ASSERT_FALSE(image.isNull()) << "shared memory: " << sharedMemory;
        EXPECT_EQ(image.size(), QSize(int(c.area.width), int(c.area.height)));
        EXPECT_EQ(image.devicePixelRatio(), 1.0);
        EXPECT_EQ(image.format(),
                  inside ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(patternDifferences(image, int(c.area.x), int(c.area.y), pattern.windows(),
                                     c.screen.width, c.screen.height),
                  "")
            << "shared memory: " << sharedMemory;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenGrabE2E,
    testing::Values(
        GrabCase{"WholeScreen1280x800", {1280, 800}, kSmallScreenWindows, {0, 0, 1280, 800}},
        GrabCase{"SubRectangle", {1280, 800}, kSmallScreenWindows, {350, 150, 333, 221}},
        // Left and bottom parts lie outside the root and stay transparent.
        GrabCase{"PartlyOutside", {1280, 800}, kSmallScreenWindows, {-40, 700, 200, 150}},
        // Windows wider than 256 pixels in both directions exercise the pattern's high bits.
        GrabCase{"WholeScreen3840x2160",
                 {3840, 2160},
                 {{0, 0, 3000, 2000, "large"},
                  {2000, 1000, 1840, 1160, "bottom-right"},
                  {3839, 0, 1, 2160, "last-column"}},
                 {0, 0, 3840, 2160}}),
    [](const testing::TestParamInfo<GrabCase>& info) { return info.param.name; });

TEST(ScreenGrabE2E, AnEarlierImageKeepsItsPixelsWhenTheScreenChangesAndIsGrabbedAgain) {
    X11Platform platform;
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun first;
    ASSERT_TRUE(first.start(platform.session.display(), {{100, 100, 300, 200, "first"}}))
        << first.error();
    XcbScreenGrabber grabber(platform.connection);
    const QImage before = imageOf(grabber.grab({0, 0, 1280, 800}));
    const QImage beforeCopy = before.copy();

    TestPatternRun second;
    ASSERT_TRUE(second.start(platform.session.display(), {{0, 0, 1280, 800, "cover"}}))
        << second.error();
    QImage after = imageOf(grabber.grab({0, 0, 1280, 800}));
    EXPECT_EQ(patternDifferences(after, 0, 0, second.windows(), 1280, 800), "");
    EXPECT_TRUE(before == beforeCopy) << "the second grab wrote into the first image";
    EXPECT_EQ(patternDifferences(before, 0, 0, first.windows(), 1280, 800), "");

    // Once no image holds a shared segment, the next grab writes into it again, and the image
    // wraps the segment rather than a copy of it.
    const uchar* segment = after.constBits();
    after = QImage();
    const QImage again = imageOf(grabber.grab({0, 0, 1280, 800}));
    EXPECT_EQ(again.constBits(), segment);
    EXPECT_EQ(patternDifferences(again, 0, 0, second.windows(), 1280, 800), "");
}

// A grab's pixels lie in a memfd that the clipboard passes on instead of copying; once passed,
// later grabs never write into it, even when no image refers to it any more.
TEST(ScreenGrabE2E, PixelsHandedToTheClipboardAreNeverOverwritten) {
    X11Platform platform;
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun first;
    ASSERT_TRUE(first.start(platform.session.display(), {{100, 100, 300, 200, "first"}}))
        << first.error();
    XcbScreenGrabber grabber(platform.connection);
    QImage handed = imageOf(grabber.grab({0, 0, 1280, 800}));
    const QImage expected = handed.copy();
    const auto range = handOverMemfdRange(handed.constBits(), size_t(handed.sizeInBytes()));
    ASSERT_TRUE(range) << "the grab is not in a memfd";
    const int passed = dup(range->fd);  // what the helper would hold
    ASSERT_GE(passed, 0);
    handed = QImage();

    TestPatternRun second;
    ASSERT_TRUE(second.start(platform.session.display(), {{0, 0, 1280, 800, "cover"}}))
        << second.error();
    const QImage after = imageOf(grabber.grab({0, 0, 1280, 800}));
    EXPECT_EQ(patternDifferences(after, 0, 0, second.windows(), 1280, 800), "");

    const size_t size = size_t(expected.sizeInBytes());
    void* mapped = mmap(nullptr, size_t(range->offset) + size, PROT_READ, MAP_SHARED, passed, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    EXPECT_EQ(
        std::memcmp(static_cast<const char*>(mapped) + range->offset, expected.constBits(), size),
        0)
        << "a later grab wrote into the pixels handed over";
    munmap(mapped, size_t(range->offset) + size);
    close(passed);
}

// The screen changes between the preparation and the grab: a grab shows it as it is then,
// unless the preparation's picture is kept (an automatic capture), which shows it as it was at
// the preparation, once; the grab after that asks the server again.
TEST(ScreenGrabE2E, APreparedGrabShowsTheScreenAtTheGrabOrKeptAtThePreparation) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "not kept");
        X11Platform platform;
        ASSERT_TRUE(platform.ok()) << platform.session.error();
        XcbScreenGrabber grabber(platform.connection);
        const QImage before = imageOf(grabber.grab({0, 0, 1280, 800})).copy();
        grabber.prepare(keep);
        TestPatternRun pattern;
        ASSERT_TRUE(pattern.start(platform.session.display(), kSmallScreenWindows))
            << pattern.error();
        const QImage first = imageOf(grabber.grab({0, 0, 1280, 800}));
        if (keep) {
            EXPECT_TRUE(first == before) << "the screen as prepared";
            // A part of it, partly beyond the root: cut from the same picture.
            const QImage part = imageOf(grabber.grab({-10, 700, 100, 150}));
            EXPECT_EQ(patternDifferences(part, -10, 700, pattern.windows(), 1280, 800), "")
                << "the second grab asks the server";
        } else {
            EXPECT_EQ(patternDifferences(first, 0, 0, pattern.windows(), 1280, 800), "");
        }
    }
}

TEST(ScreenGrabE2E, ScaledScreenIsGrabbedAtDeviceResolution) {
    X11Platform platform({1280, 800}, "2");
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(pattern.start(platform.session.display(), kSmallScreenWindows)) << pattern.error();
    QtScreens screens;  // where the scale is known
    XcbScreenGrabber grabber(platform.connection, &screens);

    const QImage whole = imageOf(grabber.grab({0, 0, 640, 400}));
    EXPECT_EQ(whole.size(), QSize(1280, 800));
    EXPECT_EQ(whole.devicePixelRatio(), 2.0);
    EXPECT_EQ(patternDifferences(whole, 0, 0, pattern.windows(), 1280, 800), "");

    // Points (100, 60) are root pixels (200, 120).
    const QImage part = imageOf(grabber.grab({100, 60, 50, 40}));
    EXPECT_EQ(part.size(), QSize(100, 80));
    EXPECT_EQ(patternDifferences(part, 200, 120, pattern.windows(), 1280, 800), "");
}

}  // namespace
