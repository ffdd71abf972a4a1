#pragma once
// Pixelation of a raw 32-bit pixel buffer (row 0 at the top): each block of blockSize x
// blockSize pixels, aligned to the top-left corner, takes the colour of its top-left pixel
// (sampled, not averaged: the mosaic must not hint at what it hides). Blocks at the right and
// bottom edges may be narrower. The last `keptEdge` rows and columns keep their own pixels,
// as the mosaic has always left its last row and column.

#include <cstddef>
#include <cstdint>

constexpr int kMosaicBlockLevel = 4;

// From `source` into `target` (both width x height words, rows `...BytesPerLine` apart).
// source may be target: the pass works in place too.
void pixelateMosaic(const uint32_t* source, std::ptrdiff_t sourceBytesPerLine, uint32_t* target,
                    std::ptrdiff_t targetBytesPerLine, int width, int height,
                    int blockSize = kMosaicBlockLevel, int keptEdge = 1);

inline void pixelateMosaic(uint32_t* pixels, int width, int height, std::ptrdiff_t bytesPerLine,
                           int blockSize = kMosaicBlockLevel, int keptEdge = 1) {
    pixelateMosaic(pixels, bytesPerLine, pixels, bytesPerLine, width, height, blockSize, keptEdge);
}
