#pragma once
// Lossless PNG encoding tuned for screen images: the Paeth filter, deflate by what each batch of
// rows calls for, and the rows split into bands that are deflated on several threads and joined
// into one zlib stream, so that the result is a single valid PNG any decoder reads back
// pixel-exact. QtCore and zlib only.

#include <QByteArray>
#include <atomic>
#include <cstddef>

#include "platform/png/png_pixels.h"

struct PngOptions {
    int threads = 0;  // 0: one per core
};

// The most memory encodePng may take for these pixels at once: the deflated bands, the PNG
// they are joined into, and each thread's stack and buffers.
std::size_t pngEncodingMemoryBound(const PngPixels& pixels, const PngOptions& options = {});

// Returns the PNG, or an empty array for an empty image, rows shorter than their width, when
// memory runs out, or when `cancel` became true on the way.
QByteArray encodePng(const PngPixels& pixels, const PngOptions& options = {},
                     const std::atomic<bool>* cancel = nullptr);
