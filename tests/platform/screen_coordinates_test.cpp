// Conversions between Qt's virtual desktop, the X root window, display and user-interface
// coordinates, for screen layouts a user can arrange.
#include "platform/screen_coordinates.h"
#include "platform/view_transform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const DesktopScreen kMain1080{{0, 0, 1920, 1080}, 1};

struct LayoutCase {
    std::string name;
    std::vector<DesktopScreen> desktop;  // main screen first
    std::vector<ScreenInfo> expected;
};

TEST(ScreenCoordinates, ScreenFramesAreMeasuredFromTheMainScreensBottomLeft) {
    const std::vector<LayoutCase> cases = {
        // One screen: its frame is its size at the origin.
        {"single", {{{0, 0, 1280, 800}, 1}}, {{{0, 0, 1280, 800}, 1}}},
        // A screen above the main one has larger y, not smaller.
        {"above",
         {kMain1080, {{0, -1080, 1920, 1080}, 1}},
         {{{0, 0, 1920, 1080}, 1}, {{0, 1080, 1920, 1080}, 1}}},
        // A smaller screen to the left, top-aligned: its bottom is above the main bottom.
        {"left, top-aligned",
         {kMain1080, {{-1280, 0, 1280, 1024}, 1}},
         {{{0, 0, 1920, 1080}, 1}, {{-1280, 56, 1280, 1024}, 1}}},
        // Below and offset to the right.
        {"below",
         {kMain1080, {{300, 1080, 1024, 768}, 1}},
         {{{0, 0, 1920, 1080}, 1}, {{300, -768, 1024, 768}, 1}}},
        // Qt's primary is not at the virtual desktop's origin: it still lands on (0, 0).
        {"main on the right",
         {{{1920, 200, 1280, 800}, 1}, {{0, 0, 1920, 1080}, 1}},
         {{{0, 0, 1280, 800}, 1}, {{-1920, -80, 1920, 1080}, 1}}},
        // A scaled main screen keeps its ratio; the neighbour keeps Qt's geometry as given.
        {"mixed ratios",
         {{{0, 0, 1280, 800}, 2}, {{2560, 0, 1920, 1080}, 1}},
         {{{0, 0, 1280, 800}, 2}, {{2560, -280, 1920, 1080}, 1}}},
    };
    for (const LayoutCase& c : cases) {
        EXPECT_EQ(uiScreensFromDesktop(c.desktop), c.expected) << c.name;
        // A window placed over a screen's frame covers that screen in Qt's desktop.
        const WindowPlacement placement = windowPlacementFromDesktop(c.desktop);
        for (std::size_t i = 0; i < c.desktop.size(); ++i) {
            EXPECT_EQ(placement.desktopRect(c.expected[i].frame), c.desktop[i].geometry)
                << c.name << ", screen " << i;
        }
    }
    EXPECT_TRUE(uiScreensFromDesktop({}).empty());
}

TEST(ScreenCoordinates, PointerAtEveryScreenCornerLandsInThatScreen) {
    const std::vector<std::vector<DesktopScreen>> layouts = {
        {kMain1080, {{0, -1080, 1920, 1080}, 1}},
        {kMain1080, {{-1280, 0, 1280, 1024}, 1}},
        {{{1920, 200, 1280, 800}, 1}, {{0, 0, 1920, 1080}, 1}, {{3200, 0, 800, 600}, 1}},
    };
    for (const auto& desktop : layouts) {
        const std::vector<ScreenInfo> ui = uiScreensFromDesktop(desktop);
        for (std::size_t i = 0; i < desktop.size(); ++i) {
            const Rect& g = desktop[i].geometry;
            for (const Point corner :
                 {Point{g.x, g.y}, Point{g.right() - 1, g.y}, Point{g.x, g.top() - 1},
                  Point{g.right() - 1, g.top() - 1}}) {
                const Point p = uiPointerFromDesktop(corner, desktop);
                for (std::size_t j = 0; j < ui.size(); ++j) {
                    EXPECT_EQ(ui[j].frame.contains(pixelProbe(p)), i == j)
                        << "desktop (" << corner.x << ", " << corner.y << ") -> (" << p.x << ", "
                        << p.y << "), screen " << j;
                }
            }
        }
    }
}

TEST(ScreenCoordinates, PointerRowsCountUpFromTheMainScreensBottom) {
    const std::vector<DesktopScreen> desktop = {{{100, 50, 800, 600}, 1}};
    // A pixel stands for its top-left corner, as in mouse events.
    EXPECT_EQ(uiPointerFromDesktop({100, 50}, desktop), (Point{0, 600}));   // top-left pixel
    EXPECT_EQ(uiPointerFromDesktop({899, 649}, desktop), (Point{799, 1}));  // bottom-right
    EXPECT_EQ(uiPointerFromDesktop({110, 60}, {}), (Point{110, -60}));      // no screens known
}

TEST(ScreenCoordinates, DisplayAndUserInterfaceRectanglesFlipAboutTheMainHeight) {
    const Rect display{100, 20, 300, 200};  // 20 below the top of an 800-high main screen
    const Rect ui = uiRectFromDisplay(display, 800);
    EXPECT_EQ(ui, (Rect{100, 580, 300, 200}));
    EXPECT_EQ(displayRectFromUi(ui, 800), display);
    // A rectangle on a screen above the main one has negative display y.
    EXPECT_EQ(displayRectFromUi({0, 900, 50, 50}, 800), (Rect{0, -150, 50, 50}));
}

struct RootCase {
    std::string name;
    std::vector<DesktopScreen> desktop;
    Rect root;
    Rect display;
    double ratio;
};

TEST(ScreenCoordinates, RootPixelsAndDisplayPointsConvertThroughTheScreenTheyLieOn) {
    const std::vector<DesktopScreen> scaledMain = {{{0, 0, 1280, 800}, 2},
                                                   {{2560, 0, 1920, 1080}, 1}};
    const std::vector<RootCase> cases = {
        {"no screens known: identity", {}, {10, 20, 30, 40}, {10, 20, 30, 40}, 1},
        {"one screen at ratio 1: identity", {kMain1080}, {-5, 7, 300, 200}, {-5, 7, 300, 200}, 1},
        {"scaled main screen halves everything",
         scaledMain,
         {100, 50, 200, 100},
         {50, 25, 100, 50},
         2},
        {"unscaled neighbour keeps its pixels",
         scaledMain,
         {2600, 10, 100, 100},
         {2600, 10, 100, 100},
         1},
        // Mostly on the scaled screen: scaled as a whole.
        {"straddling, mostly main", scaledMain, {2460, 0, 140, 10}, {1230, 0, 70, 5}, 2},
        {"main not at the origin",
         {{{1920, 0, 1280, 800}, 1}, {{0, 0, 1920, 1080}, 1}},
         {0, 0, 100, 100},
         {-1920, 0, 100, 100},
         1},
        {"main scaled and not at the origin",
         {{{1920, 100, 1280, 800}, 2}, {{0, 0, 1920, 1080}, 1}},
         {1920 + 200, 100 + 40, 20, 10},
         {100, 20, 10, 5},
         2},
    };
    for (const RootCase& c : cases) {
        EXPECT_EQ(displayRectFromRoot(c.root, c.desktop), c.display) << c.name;
        const RootArea back = rootAreaFromDisplay(c.display, c.desktop);
        EXPECT_EQ(back.pixels, c.root) << c.name;
        EXPECT_EQ(back.devicePixelRatio, c.ratio) << c.name;
    }
}

}  // namespace
