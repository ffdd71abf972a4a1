#pragma once
// Images of known content for the tests: a pattern whose every pixel tells its position (a
// shifted, flipped or mixed-up copy shows at any sampled point), the same with flat blocks
// that compress well, and noise that does not compress at all.

#include <QImage>
#include <QRandomGenerator>
#include <QRegion>
#include <ostream>

// In a failure message, an image by its size and its first pixel: enough to tell a turned or
// mirrored picture.
inline void PrintTo(const QImage& image, std::ostream* os) {
    if (image.isNull()) {
        *os << "null image";
        return;
    }
    *os << image.width() << "x" << image.height() << " image, top-left #" << std::hex
        << (image.pixel(0, 0) & 0xffffff) << std::dec;
}

namespace test_images {

// The pixels in which two images of one size differ.
inline QRegion changedPixels(const QImage& a, const QImage& b) {
    QRegion r;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) r += QRect(x, y, 1, 1);
        }
    }
    return r;
}

// How many pixels `region` holds.
inline int pixelCount(const QRegion& region) {
    int n = 0;
    for (const QRect& r : region) n += r.width() * r.height();
    return n;
}

// Red and green run with x and y, blue holds their high bits: within 4096 x 4096 pixels no
// two positions share a colour.
constexpr QRgb positionColour(int x, int y, int alpha = 255) {
    return qRgba(x & 0xff, y & 0xff, ((x >> 8) & 0x0f) | ((y >> 8) & 0x0f) << 4, alpha);
}

// Every pixel holds positionColour, opaque.
inline QImage positionImage(int width, int height, double devicePixelRatio = 1) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = positionColour(x, y);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

// positionColour with flat blocks of one colour in between (what PNG filters meet on a
// screen), converted to `format`; a format with alpha gets alpha that varies too.
inline QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool flat = ((x / 64) + (y / 48)) % 3 == 0;
            const int alpha = format == QImage::Format_RGB32 ? 255 : (x * 7 + y) % 256;
            row[x] = flat ? qRgba(30, 144, 255, alpha) : positionColour(x, y, alpha);
        }
    }
    return image.convertToFormat(format);
}

inline QImage noiseImage(int width, int height, quint32 seed = 7) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image;
}

}  // namespace test_images
