#include "platform/wayland/output_transform.h"

#include <wayland-client-protocol.h>

#include <algorithm>
#include <optional>

namespace {

// Where the buffer's pixel for the shown pixel (x, y) lies: column x * dx.x + y * dy.x plus
// the origin's column, and the same for the row. Steps are -1, 0 or 1.
struct Walk {
    int originColumn, originRow;
    int columnPerX, rowPerX;
    int columnPerY, rowPerY;
};

std::optional<Walk> walkFor(int32_t transform, int bufferWidth, int bufferHeight) {
    const int right = bufferWidth - 1, bottom = bufferHeight - 1;
    switch (transform) {
        case WL_OUTPUT_TRANSFORM_NORMAL:
            return Walk{0, 0, 1, 0, 0, 1};
        case WL_OUTPUT_TRANSFORM_90:
            return Walk{0, bottom, 0, -1, 1, 0};
        case WL_OUTPUT_TRANSFORM_180:
            return Walk{right, bottom, -1, 0, 0, -1};
        case WL_OUTPUT_TRANSFORM_270:
            return Walk{right, 0, 0, 1, -1, 0};
        case WL_OUTPUT_TRANSFORM_FLIPPED:
            return Walk{right, 0, -1, 0, 0, 1};
        case WL_OUTPUT_TRANSFORM_FLIPPED_90:
            return Walk{0, 0, 0, 1, 1, 0};
        case WL_OUTPUT_TRANSFORM_FLIPPED_180:
            return Walk{0, bottom, 1, 0, 0, -1};
        case WL_OUTPUT_TRANSFORM_FLIPPED_270:
            return Walk{right, bottom, 0, -1, -1, 0};
        default:
            return std::nullopt;
    }
}

}  // namespace

Pixels orientAsShown(const Pixels& buffer, int32_t transform) {
    if (transform == WL_OUTPUT_TRANSFORM_NORMAL || buffer.isNull()) return buffer;
    const std::optional<Walk> walk = walkFor(transform, buffer.width(), buffer.height());
    if (!walk) return {};
    const bool turned = transform % 2 == 1;  // a quarter turn, mirrored or not
    const int width = turned ? buffer.height() : buffer.width();
    const int height = turned ? buffer.width() : buffer.height();
    Pixels shown = Pixels::allocate(width, height, buffer.format());
    if (shown.isNull()) return {};
    shown.setDevicePixelRatio(buffer.devicePixelRatio());
    shown.setDotsPerMeter(buffer.dotsPerMeterX(), buffer.dotsPerMeterY());
    // In square tiles, so that a quarter turn reads the buffer's rows from cache rather than
    // one pixel from each.
    constexpr int kTile = 64;
    const auto* source = buffer.constBits();
    const qsizetype stride = buffer.bytesPerLine() / 4;
    const qsizetype stepX = walk->columnPerX + walk->rowPerX * stride;
    const qsizetype stepY = walk->columnPerY + walk->rowPerY * stride;
    const qsizetype origin = walk->originColumn + walk->originRow * stride;
    const auto* pixels = reinterpret_cast<const uint32_t*>(source);
    for (int tileY = 0; tileY < height; tileY += kTile) {
        for (int tileX = 0; tileX < width; tileX += kTile) {
            const int endX = std::min(width, tileX + kTile);
            const int endY = std::min(height, tileY + kTile);
            for (int y = tileY; y < endY; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(shown.scanLine(y));
                qsizetype from = origin + tileX * stepX + y * stepY;
                for (int x = tileX; x < endX; ++x, from += stepX) row[x] = pixels[from];
            }
        }
    }
    return shown;
}
