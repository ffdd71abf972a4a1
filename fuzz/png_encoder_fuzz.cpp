// Fuzzes the PNG encoder: small images whose width, height, row stride, pixel format, thread
// count and pixels come from the input (the padding after each row too, which must not show).
// The PNG, read back by Qt's reader, must hold every pixel: exact where opaque or straight
// alpha, and premultiplied pixels as qUnpremultiply makes them straight.

#include <fuzzer/FuzzedDataProvider.h>

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz_check.h"
#include "platform/png/png_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int width = input.ConsumeIntegralInRange(1, 80);
    const int height = input.ConsumeIntegralInRange(1, 80);
    const int padding = input.ConsumeIntegralInRange(0, 7) * 4;
    const auto format = input.PickValueInArray(
        {PngPixelFormat::Rgb32, PngPixelFormat::Argb32, PngPixelFormat::Argb32Premultiplied});
    const int threads = input.ConsumeIntegralInRange(1, 4);
    const bool opaque = input.ConsumeBool();  // alpha 255 everywhere: the RGB colour type
    const qsizetype stride = qsizetype(width) * 4 + padding;
    std::vector<uchar> pixels(size_t(stride) * size_t(height));
    // The pixels from the input, repeated when it runs short; flat stretches are likely so.
    const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = rest.empty() ? 0 : rest[i % rest.size()];
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pixels.data() + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x) {
            if (opaque) row[x] |= 0xff000000u;
            if (format == PngPixelFormat::Argb32Premultiplied) {
                // A premultiplied colour is at most its alpha.
                const uint32_t alpha = row[x] >> 24;
                const auto clamp = [&](int shift) {
                    return std::min((row[x] >> shift) & 0xff, alpha) << shift;
                };
                row[x] = (alpha << 24) | clamp(16) | clamp(8) | clamp(0);
            }
        }
    }
    const QByteArray png =
        encodePng({pixels.data(), width, height, stride, format, 0, 0}, {threads});
    FUZZ_CHECK(!png.isEmpty());
    const QImage back = QImage::fromData(png, "PNG");
    FUZZ_CHECK(!back.isNull());
    FUZZ_CHECK(back.width() == width && back.height() == height);
    const QImage decoded = back.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(pixels.data() + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x) {
            // Straight colours: as they are, opaque without alpha, or unpremultiplied as Qt's
            // qUnpremultiply does, rounding included.
            const QRgb expected = format == PngPixelFormat::Rgb32    ? row[x] | 0xff000000u
                                  : format == PngPixelFormat::Argb32 ? row[x]
                                                                     : qUnpremultiply(row[x]);
            if (decoded.pixel(x, y) != expected) {
                std::fprintf(stderr, "pixel %d,%d of %dx%d (format %d): %08x, expected %08x\n", x,
                             y, width, height, int(format), decoded.pixel(x, y), expected);
            }
            FUZZ_CHECK(decoded.pixel(x, y) == expected);
        }
    }
    return 0;
}
