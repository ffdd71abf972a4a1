// The prepare panel's rules without a display: a drag keeps it whole on the main screen (each
// edge), and the title it shows.
#include <gtest/gtest.h>

#include "prepare/prepare_layout.h"
#include "support/geometry_printers.h"

namespace {

using prepare_layout::clampedOrigin;
using prepare_layout::shownTitle;

struct ClampCase {
    const char* what;
    Point origin;
    Point kept;
};

TEST(PrepareLayout, DragKeepsThePanelOnTheScreenAtEveryEdge) {
    const Size screen{1280, 800};  // the panel may go up to (1000, 615)
    const ClampCase cases[] = {
        {"inside: unchanged", {300, 200}, {300, 200}},
        {"flush everywhere allowed: unchanged", {1000, 615}, {1000, 615}},
        {"past the left edge", {-40, 200}, {0, 200}},
        {"past the bottom edge", {300, -1}, {300, 0}},
        {"past the right edge", {1001, 200}, {1000, 200}},
        {"past the top edge", {300, 700}, {300, 615}},
        {"past the bottom-left corner", {-500, -500}, {0, 0}},
        {"past the top-right corner", {5000, 5000}, {1000, 615}},
    };
    for (const ClampCase& c : cases) {
        EXPECT_EQ(clampedOrigin(c.origin, screen), c.kept) << c.what;
    }
}

TEST(PrepareLayout, FramesMatchTheirPlaceInThePanel) {
    EXPECT_EQ(prepare_layout::kCloseButton, (Rect{253, 160, 20, 20}));
    EXPECT_EQ(prepare_layout::kTitleLabel, (Rect{15, 155, 250, 25}));
    EXPECT_EQ(prepare_layout::kTitleBand, (Rect{0, 155, 280, 30}));
}

TEST(PrepareLayout, TheWindowTitleReplacesThePrepareTitle) {
    struct {
        const char* what;
        QString prepare, window, shown;
    } cases[] = {
        {"window title given", "Quillet截图[x]", "Tovaro截图", "Tovaro截图"},
        {"window title given, prepare title empty", "", "Tovaro截图", "Tovaro截图"},
        {"no window title", "Quillet截图[x]", "", "Quillet截图[x]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownTitle(c.prepare, c.window), c.shown) << c.what;
    }
}

}  // namespace
