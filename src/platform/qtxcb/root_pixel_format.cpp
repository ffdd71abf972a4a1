#include "platform/qtxcb/root_pixel_format.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {

// One channel of a mask: where it starts and the table that widens it to 8 bits.
struct Channel {
    int shift = 0;
    std::vector<uint8_t> to8;

    explicit Channel(uint32_t mask) {
        shift = mask ? std::countr_zero(mask) : 0;
        const uint32_t max = mask >> shift;
        to8.resize(std::size_t(max) + 1);
        for (uint32_t v = 0; v <= max; ++v) to8[v] = uint8_t((v * 255 + max / 2) / max);
    }
};

bool contiguous(uint32_t mask) {
    if (mask == 0) return false;
    const uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

}  // namespace

bool RootPixelFormat::isNative() const {
    return trueColor && lsbFirst && bitsPerPixel == 32 && redMask == 0xFF0000u &&
           greenMask == 0xFF00u && blueMask == 0xFFu;
}

bool RootPixelFormat::isCapturable() const {
    if (isNative()) return true;
    // Channels of 1 to 16 bits: the tables stay small.
    const auto fits = [](uint32_t m) { return contiguous(m) && std::popcount(m) <= 16; };
    return trueColor && lsbFirst && (bitsPerPixel == 16 || bitsPerPixel == 32) && fits(redMask) &&
           fits(greenMask) && fits(blueMask);
}

std::string RootPixelFormat::problem() const {
    std::string why = "the X display's depth of " + std::to_string(depth) + " bits (" +
                      std::to_string(bitsPerPixel) + " bits per pixel";
    if (!trueColor) why += ", colours from a colour map";
    if (!lsbFirst) why += ", most significant byte first";
    return why + ") cannot be captured";
}

std::size_t RootPixelFormat::bytesPerLine(int width) const {
    const std::size_t bits = std::size_t(width) * std::size_t(bitsPerPixel);
    const std::size_t pad = std::size_t(scanlinePad > 0 ? scanlinePad : 32);
    return (bits + pad - 1) / pad * pad / 8;
}

RootPixelFormat readRootPixelFormat(xcb_connection_t* c, const xcb_screen_t* screen) {
    RootPixelFormat f;
    const xcb_setup_t* setup = xcb_get_setup(c);
    f.depth = screen->root_depth;
    f.lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth) {
            f.bitsPerPixel = it.data->bits_per_pixel;
            f.scanlinePad = it.data->scanline_pad;
        }
    }
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
            if (v.data->visual_id != screen->root_visual) continue;
            f.trueColor = v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                          v.data->_class == XCB_VISUAL_CLASS_DIRECT_COLOR;
            f.redMask = v.data->red_mask;
            f.greenMask = v.data->green_mask;
            f.blueMask = v.data->blue_mask;
        }
    }
    return f;
}

void convertToRgb32(const RootPixelFormat& format, const uint8_t* source,
                    std::size_t sourceBytesPerLine, int width, int height, uint32_t* target,
                    std::size_t targetBytesPerLine) {
    const Channel red(format.redMask), green(format.greenMask), blue(format.blueMask);
    const auto pixel = [&](uint32_t v) {
        return 0xFF000000u | uint32_t(red.to8[(v & format.redMask) >> red.shift]) << 16 |
               uint32_t(green.to8[(v & format.greenMask) >> green.shift]) << 8 |
               blue.to8[(v & format.blueMask) >> blue.shift];
    };
    if (format.bitsPerPixel == 16) {
        // Every 16-bit value once: a table is faster than three lookups a pixel.
        std::vector<uint32_t> table(65536);
        for (uint32_t v = 0; v < 65536; ++v) table[v] = pixel(v);
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = source + std::size_t(y) * sourceBytesPerLine;
            auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(target) +
                                                    std::size_t(y) * targetBytesPerLine);
            for (int x = 0; x < width; ++x) {
                uint16_t v;
                std::memcpy(&v, in + 2 * std::size_t(x), 2);
                out[x] = table[v];
            }
        }
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + std::size_t(y) * sourceBytesPerLine;
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(target) +
                                                std::size_t(y) * targetBytesPerLine);
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, in + 4 * std::size_t(x), 4);
            out[x] = pixel(v);
        }
    }
}
