#pragma once
// The pixels the PNG encoder reads, without owning them (an image in shared memory, say):
// rows of 32-bit words 0xAARRGGBB in the machine's byte order, as Qt's RGB32 (alpha byte
// ignored), ARGB32 and ARGB32_Premultiplied lay them out. The codec names them itself, so that
// it needs no GUI header.

#include <QtGlobal>

enum class PngPixelFormat { Rgb32, Argb32, Argb32Premultiplied };

struct PngPixels {
    const uchar* bits = nullptr;
    int width = 0;
    int height = 0;
    qsizetype bytesPerLine = 0;
    PngPixelFormat format = PngPixelFormat::Rgb32;
    int dotsPerMeterX = 0;  // 0 leaves the physical size out
    int dotsPerMeterY = 0;
};
