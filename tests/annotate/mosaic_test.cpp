// Pixelation of a raw buffer: blocks take their top-left pixel; the kept edge stays.
#include <gtest/gtest.h>

#include <vector>

#include "annotate/mosaic.h"

namespace {

// Every pixel a different value, so that any pixel taken from the wrong place shows.
std::vector<uint32_t> numbered(int width, int height, int stride) {
    std::vector<uint32_t> pixels(static_cast<size_t>(stride) * height, 0xDEADBEEFu);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels[y * stride + x] = 0xFF000000u | (y << 12) | x;
    }
    return pixels;
}

uint32_t original(int row, int column) {
    return 0xFF000000u | (row << 12) | column;
}

struct MosaicCase {
    const char* name;
    int width, height;
    int stride;  // in words; beyond the width is padding that must stay untouched
    int block, keptEdge;
};

const MosaicCase kCases[] = {
    // The small screen: rows 0..4 and columns 0..8 pixelated, row 5 and column 9 kept.
    {"TenBySix", 10, 6, 10, 4, 1},
    // Rows padded past the width.
    {"PaddedRows", 10, 6, 16, 4, 1},
    // A narrower block at the right edge: columns 4 and 5 take column 4, column 6 is kept.
    {"NarrowEdgeBlocks", 7, 7, 7, 4, 1},
    // Device pixel ratio 2: blocks of 8 pixels, the last two rows and columns kept.
    {"DoubleDensity", 20, 19, 20, 8, 2},
    // One row, one column: everything is edge.
    {"SingleRow", 9, 1, 9, 4, 1},
    {"SingleColumn", 1, 9, 1, 4, 1},
};

// What the pixel (row, column) shows: the top-left pixel of its block, or itself on the edge.
uint32_t expected(const MosaicCase& c, int row, int column) {
    if (row >= c.height - c.keptEdge || column >= c.width - c.keptEdge) {
        return original(row, column);
    }
    return original(row - row % c.block, column - column % c.block);
}

class Pixelation : public ::testing::TestWithParam<MosaicCase> {};

TEST_P(Pixelation, InPlace) {
    const MosaicCase& c = GetParam();
    std::vector<uint32_t> pixels = numbered(c.width, c.height, c.stride);
    pixelateMosaic(pixels.data(), c.width, c.height, c.stride * 4, c.block, c.keptEdge);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.stride; ++x) {
            const uint32_t want = x < c.width ? expected(c, y, x) : 0xDEADBEEFu;
            ASSERT_EQ(pixels[y * c.stride + x], want) << "row " << y << " column " << x;
        }
    }
}

TEST_P(Pixelation, IntoAnotherBufferLeavesTheSource) {
    const MosaicCase& c = GetParam();
    const std::vector<uint32_t> source = numbered(c.width, c.height, c.stride);
    std::vector<uint32_t> target(static_cast<size_t>(c.width) * c.height, 0);
    pixelateMosaic(source.data(), c.stride * 4, target.data(), c.width * 4, c.width, c.height,
                   c.block, c.keptEdge);
    EXPECT_EQ(source, numbered(c.width, c.height, c.stride));
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            ASSERT_EQ(target[y * c.width + x], expected(c, y, x)) << "row " << y << " column " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Buffers, Pixelation, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The named pixels of the 10 x 6 screen, as (row, column).
TEST(Pixelation, TenBySixNamedPixels) {
    std::vector<uint32_t> p = numbered(10, 6, 10);
    pixelateMosaic(p.data(), 10, 6, 40);
    const auto at = [&](int row, int column) { return p[row * 10 + column]; };
    EXPECT_EQ(at(1, 5), original(0, 4));
    EXPECT_EQ(at(4, 4), original(4, 4));
    EXPECT_EQ(at(4, 5), original(4, 4));
    EXPECT_EQ(at(4, 8), original(4, 8));
    for (int column = 0; column < 10; ++column) EXPECT_EQ(at(5, column), original(5, column));
    for (int row = 0; row < 6; ++row) EXPECT_EQ(at(row, 9), original(row, 9));
}

}  // namespace
