// Screens and pointer as Qt reports them on a private X server, in user-interface coordinates,
// and as read from the server without Qt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "e2e/x11_test_fixture.h"
#include "platform/qt/qt_screens.h"
#include "platform/qtxcb/xcb_screens.h"
#include "support/geometry_printers.h"

namespace {

struct ScreenCase {
    std::string name;
    XSessionOptions screen;
    const char* scaleFactor;
    ScreenInfo expected;
    QPoint pointerPixel;  // root pixel the pointer is moved to
    Point expectedPointer;
    friend void PrintTo(const ScreenCase& c, std::ostream* out) { *out << c.name; }
};

class ScreensE2E : public testing::TestWithParam<ScreenCase> {};

TEST_P(ScreensE2E, MainScreenHasTheServersSizeAtTheOriginAndThePointerCountsFromItsBottom) {
    const ScreenCase& c = GetParam();
    X11Platform platform(c.screen, c.scaleFactor);
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    QtScreens screens;
    EXPECT_EQ(screens.screens(), std::vector<ScreenInfo>{c.expected});

    xcb_connection_t* x = platform.connection->get();
    xcb_warp_pointer(x, XCB_NONE, platform.connection->root(), 0, 0, 0, 0,
                     static_cast<int16_t>(c.pointerPixel.x()),
                     static_cast<int16_t>(c.pointerPixel.y()));
    // A round trip makes sure the warp is done before Qt asks the server for the pointer.
    free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    EXPECT_EQ(screens.pointerPosition(), c.expectedPointer);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ScreensE2E,
    testing::Values(
        ScreenCase{
            "Screen1280x800", {1280, 800}, nullptr, {{0, 0, 1280, 800}, 1}, {100, 50}, {100, 750}},
        // A pixel stands for its top-left corner: the top row is at the height, the bottom
        // row one point above the origin.
        ScreenCase{
            "Screen3840x2160", {3840, 2160}, nullptr, {{0, 0, 3840, 2160}, 1}, {0, 0}, {0, 2160}},
        ScreenCase{
            "BottomRow", {1280, 800}, nullptr, {{0, 0, 1280, 800}, 1}, {1279, 799}, {1279, 1}},
        // Qt scales the screen to points; the pointer pixel (300, 200) is point (150, 100).
        ScreenCase{"Scaled", {1280, 800}, "2", {{0, 0, 640, 400}, 2}, {300, 200}, {150, 300}}),
    [](const testing::TestParamInfo<ScreenCase>& info) { return info.param.name; });

}  // namespace

// Screens read from the server without Qt must be what Qt reports, wherever the pointer is.
namespace {

struct LayoutCase {
    std::string name;
    std::vector<std::string> xrandr;  // argument lists for xrandr, run before Qt starts
    const char* scaleFactor;
    const char* xResources;  // RESOURCE_MANAGER, or null
    std::vector<QPoint> pointerPixels;
    friend void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }
};

class ScreensWithoutQtE2E : public testing::TestWithParam<LayoutCase> {};

TEST_P(ScreensWithoutQtE2E, AgreeWithQt) {
    const LayoutCase& c = GetParam();
    const auto setUp = [&c] {
        for (const std::string& arguments : c.xrandr)
            ASSERT_EQ(std::system(("xrandr " + arguments).c_str()), 0) << arguments;
        if (c.xResources == nullptr) return;
        const auto connection = XcbConnection::open();
        ASSERT_TRUE(connection);
        xcb_connection_t* x = connection->get();
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, connection->root(), XCB_ATOM_RESOURCE_MANAGER,
                            XCB_ATOM_STRING, 8, static_cast<uint32_t>(std::strlen(c.xResources)),
                            c.xResources);
        free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    };
    X11Platform platform({1280, 800}, c.scaleFactor, setUp);
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    const auto fromServer = XcbScreens::create(platform.connection);
    ASSERT_TRUE(fromServer);
    QtScreens qt;
    EXPECT_EQ(fromServer->desktop().size(), qt.desktop().size());
    EXPECT_EQ(fromServer->screens(), qt.screens());

    xcb_connection_t* x = platform.connection->get();
    for (const QPoint& pixel : c.pointerPixels) {
        xcb_warp_pointer(x, XCB_NONE, platform.connection->root(), 0, 0, 0, 0,
                         static_cast<int16_t>(pixel.x()), static_cast<int16_t>(pixel.y()));
        free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
        EXPECT_EQ(fromServer->pointerPosition(), qt.pointerPosition())
            << "pixel " << pixel.x() << "," << pixel.y();
    }
}

const std::vector<std::string> kSideBySide = {"--setmonitor LEFT 640/169x800/212+0+0 screen",
                                              "--setmonitor RIGHT 640/169x800/212+640+0 none"};
const std::vector<std::string> kRightIsPrimary = {"--setmonitor LEFT 640/169x800/212+0+0 none",
                                                  "--setmonitor RIGHT 640/169x800/212+640+0 screen",
                                                  "--output screen --primary"};
const std::vector<std::string> kStacked = {"--setmonitor TOP 1280/338x300/79+0+0 none",
                                           "--setmonitor BOTTOM 1280/338x500/132+0+300 screen",
                                           "--output screen --primary"};
// Overlapping monitors of different sizes: a mirror of the top-left corner, and one nested.
const std::vector<std::string> kMirrored = {"--setmonitor P 1280/338x800/212+0+0 screen",
                                            "--setmonitor Q 800/211x600/159+0+0 none"};
const std::vector<std::string> kNested = {"--setmonitor P 1280/338x800/212+0+0 screen",
                                          "--setmonitor Q 800/211x600/159+240+100 none"};
const std::vector<QPoint> kPointers = {{0, 0}, {639, 799}, {640, 0}, {1279, 799}, {701, 333}};

INSTANTIATE_TEST_SUITE_P(
    Layouts, ScreensWithoutQtE2E,
    testing::Values(LayoutCase{"OneScreen", {}, nullptr, nullptr, kPointers},
                    LayoutCase{"OneScreenScaled", {}, "2", nullptr, kPointers},
                    LayoutCase{"OneScreenAtXftDpi192", {}, nullptr, "Xft.dpi:\t192\n", kPointers},
                    LayoutCase{"SideBySide", kSideBySide, nullptr, nullptr, kPointers},
                    LayoutCase{"RightIsPrimary", kRightIsPrimary, nullptr, nullptr, kPointers},
                    LayoutCase{"RightIsPrimaryScaled", kRightIsPrimary, "2", nullptr, kPointers},
                    // Qt reads the resource only as xrdb spells it, with a tab.
                    LayoutCase{"OneScreenOtherSpelling", {}, nullptr, "Xft.dpi: 120\n", kPointers},
                    LayoutCase{"Stacked", kStacked, "1.5", "Xft.dpi:\t120\n", kPointers},
                    LayoutCase{"Mirrored", kMirrored, nullptr, nullptr, kPointers},
                    LayoutCase{"Nested", kNested, nullptr, nullptr, kPointers}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

}  // namespace
