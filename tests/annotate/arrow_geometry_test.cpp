// The arrow polygon: start, inner barb, outer barb, tip, outer barb, inner barb.
#include <gtest/gtest.h>

#include "annotate/arrow_geometry.h"

namespace {

struct ArrowCase {
    const char* name;
    Point start, end;
    int penSize;
    std::vector<Point> polygon;
};

const ArrowCase kArrows[] = {
    // The reference arrow: L = 20, a head 20 long and 20 wide, a shaft 10 wide at its base.
    {"RightPen2",
     {100, 100},
     {200, 100},
     2,
     {{100, 100}, {180, 105}, {180, 110}, {200, 100}, {180, 90}, {180, 95}}},
    // Pen 1: a head 10 long and 10 wide.
    {"RightPen1",
     {100, 100},
     {200, 100},
     1,
     {{100, 100}, {190, 102.5}, {190, 105}, {200, 100}, {190, 95}, {190, 97.5}}},
    // Pen 6: a head 30 long and 30 wide.
    {"RightPen6",
     {100, 100},
     {200, 100},
     6,
     {{100, 100}, {170, 107.5}, {170, 115}, {200, 100}, {170, 85}, {170, 92.5}}},
    // Any other pen size draws the middle arrow.
    {"RightPen3",
     {100, 100},
     {200, 100},
     3,
     {{100, 100}, {180, 105}, {180, 110}, {200, 100}, {180, 90}, {180, 95}}},
    // Upwards in view coordinates (y up): the barbs lie left and right of the tip.
    {"UpPen2",
     {50, 50},
     {50, 150},
     2,
     {{50, 50}, {45, 130}, {40, 130}, {50, 150}, {60, 130}, {55, 130}}},
    // Points are truncated before anything else: fractions change nothing.
    {"FractionsTruncated",
     {100.9, 100.9},
     {200.7, 100.2},
     2,
     {{100, 100}, {180, 105}, {180, 110}, {200, 100}, {180, 90}, {180, 95}}},
    // Halving truncates toward zero: dx / 2 = -3 / 2 = -1, not -2.
    {"HalvesTruncateTowardZero",
     {0, 0},
     {3, 4},
     2,
     {{0, 0}, {-13, -12}, {-17, -8}, {3, 4}, {-1, -16}, {-5, -12}}},
    // Squares of long arrows exceed 32 bits; the head must still be right.
    {"FarOffScreen",
     {0, 0},
     {100000, 0},
     2,
     {{0, 0}, {99980, 5}, {99980, 10}, {100000, 0}, {99980, -10}, {99980, -5}}},
    // Start and tip truncate to one point: no arrow at all.
    {"ZeroLength", {10.2, 10.2}, {10.8, 10.9}, 2, {}},
};

class ArrowPolygon : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(ArrowPolygon, MatchesTheDrawnArrow) {
    const ArrowCase& c = GetParam();
    const std::vector<Point> got = arrowPolygon(c.start, c.end, PenSize(c.penSize));
    ASSERT_EQ(got.size(), c.polygon.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_DOUBLE_EQ(got[i].x, c.polygon[i].x) << "point " << i;
        EXPECT_DOUBLE_EQ(got[i].y, c.polygon[i].y) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Arrows, ArrowPolygon, ::testing::ValuesIn(kArrows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
