// Screens and pointer as Qt reports them on a private X server, in user-interface coordinates.
#include <gtest/gtest.h>

#include "e2e/x11_test_fixture.h"
#include "platform/qtxcb/qt_screens.h"

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
