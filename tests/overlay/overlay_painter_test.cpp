#include "overlay/overlay_painter.h"

#include <gtest/gtest.h>

namespace {

// The magnifier's readout, as handed to the painter, at the screen's edges: a pixel stands for
// its top-left corner, so the top row is read at y = H and the bottom row at y = 1.
TEST(MagnifierReadout, ReadsThePixelUnderTheCursorAtEveryEdge) {
    struct Row {
        double dpr;
        Point cursor;
        const char* position;
        const char* color;
        bool outside;
    };
    // A 40 x 30 point screen whose every pixel has the colour (column, row, 7).
    const Row rows[] = {
        {1, {0, 30}, "(0, 30)", "RGB:#000007", false},      // top-left pixel
        {1, {39, 1}, "(39, 1)", "RGB:#271d07", false},      // bottom-right pixel
        {1, {12, 20}, "(12, 20)", "RGB:#0c0a07", false},    // row 30 - 20
        {1, {10, 0}, "(10, 0)", "RGB:#0a1d07", false},      // below the bottom: kept on it
        {1, {45, 10}, "(45, 10)", "RGB:#000000", true},     // right of the screen
        {2, {0, 30}, "(0, 30)", "RGB:#000007", false},      // device row 0
        {2, {39.5, 0.5}, "(39, 0)", "RGB:#4f3b07", false},  // the last device pixel
    };
    for (const Row& row : rows) {
        const int w = static_cast<int>(40 * row.dpr), h = static_cast<int>(30 * row.dpr);
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 7));
        }
        image.setDevicePixelRatio(row.dpr);
        MagnifierInputs in;
        in.cursor = row.cursor;
        in.screen = {40, 30};
        in.colorImage = &image;
        const MagnifierReadout r = magnifierReadout(in);
        EXPECT_EQ(r.position, row.position);
        EXPECT_EQ(r.color, row.color) << row.position << " at ratio " << row.dpr;
        EXPECT_EQ(r.outside, row.outside) << row.position;
    }
}

}  // namespace
