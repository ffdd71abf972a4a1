// Monitors that overlap with different sizes: a mirror of part of the main monitor, and one
// nested inside it. Wherever the pointer is, the capture takes one monitor at its true place:
// the frozen screen, automatic rectangles and interactive selections hold the root window's
// very pixels.
#include "e2e/capture_e2e_fixture.h"

namespace {

struct OverlapCase {
    const char* name;
    const char* second;  // the second monitor, after the 1920 x 1080 main one
    std::pair<int, int> pointer;
    friend void PrintTo(const OverlapCase& c, std::ostream* out) { *out << c.name; }
};

class OverlappingMonitorsE2E : public CaptureE2E, public testing::WithParamInterface<OverlapCase> {
protected:
    void SetUp() override {
        startSession({1920, 1080, true});
        for (const std::string& monitor :
             {std::string("P 1920/500x1080/280+0+0 screen"), std::string(GetParam().second)}) {
            ASSERT_EQ(std::system(("DISPLAY=" + display() + " xrandr --setmonitor " + monitor +
                                   " >/dev/null")
                                      .c_str()),
                      0)
                << monitor;
        }
        input({"mousemove", std::to_string(GetParam().pointer.first),
               std::to_string(GetParam().pointer.second)});
    }
};

TEST_P(OverlappingMonitorsE2E, AutomaticCapturesHoldTheScreensPixels) {
    ASSERT_TRUE(tool.start({{}, 0, 1, 0, 0, 300, 200}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{0, 0, 300, 200}));
    expectClipboardShows({0, 0, 300, 200});

    tool.reset();
    ASSERT_TRUE(tool.start({{}, 0, 2}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{0, 0, 1920, 1080}));
    const QImage whole = pastedImage();
    ASSERT_EQ(whole.size(), QSize(1920, 1080));
    EXPECT_FALSE(whole.hasAlphaChannel()) << "no transparent band";
    expectClipboardShows({0, 0, 1920, 1080});
}

TEST_P(OverlappingMonitorsE2E, InteractiveSelectionHoldsTheScreensPixels) {
    startInteractive();  // also checks the frozen screen against the root's pixels
    drag({300, 250}, {900, 700}, {{600, 500}});
    input({"key", "Return"});
    const Rect g = resultGeometry(finish(1));
    EXPECT_EQ(g, (Rect{300, 250, 600, 450}));
    expectClipboardShows(g);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, OverlappingMonitorsE2E,
    testing::Values(OverlapCase{"MirrorOnBoth", "Q 1024/300x768/200+0+0 none", {100, 100}},
                    OverlapCase{"MirrorMainOnly", "Q 1024/300x768/200+0+0 none", {1500, 900}},
                    OverlapCase{"NestedOnBoth", "Q 1024/300x768/200+448+156 none", {900, 500}},
                    OverlapCase{"NestedMainOnly", "Q 1024/300x768/200+448+156 none", {100, 100}}),
    [](const testing::TestParamInfo<OverlapCase>& info) { return std::string(info.param.name); });

}  // namespace
