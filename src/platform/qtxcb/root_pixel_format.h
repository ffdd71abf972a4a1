#pragma once
// How the X server lays out the root window's pixels, and their conversion to the 8-bit RGB
// the capture works in. Depth 24 and 32 (8 bits a channel in 32-bit pixels) are taken as they
// are; 15 and 16 (16-bit pixels) and 30 (10 bits a channel) are converted; anything else
// (colour maps, most significant byte first) cannot be captured.

#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct RootPixelFormat {
    int depth = 0;
    int bitsPerPixel = 0;
    int scanlinePad = 32;
    bool trueColor = false;
    bool lsbFirst = true;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;

    // 0x00RRGGBB in 32-bit pixels: grabbed images are used as they come.
    bool isNative() const;
    // Native, or converted by convertToRgb32.
    bool isCapturable() const;
    // Why it cannot be captured, naming the depth; for a log line.
    std::string problem() const;
    // Bytes in a row of `width` pixels as the server sends them (Z pixmap, padded).
    std::size_t bytesPerLine(int width) const;
};

RootPixelFormat readRootPixelFormat(xcb_connection_t* connection, const xcb_screen_t* screen);

// Converts rows of a capturable, non-native format to opaque 0xFFRRGGBB pixels.
void convertToRgb32(const RootPixelFormat& format, const uint8_t* source,
                    std::size_t sourceBytesPerLine, int width, int height, uint32_t* target,
                    std::size_t targetBytesPerLine);
