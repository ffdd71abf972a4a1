#pragma once
// Images for the PNG and clipboard tests: a pattern whose every pixel tells its position (a
// shifted, flipped or mixed-up row shows anywhere), with flat blocks that compress well, and
// noise that does not compress at all.

#include <QImage>
#include <QRandomGenerator>

namespace png_test {

inline QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool flat = ((x / 64) + (y / 48)) % 3 == 0;
            const int alpha = format == QImage::Format_RGB32 ? 255 : (x * 7 + y) % 256;
            row[x] =
                flat ? qRgba(30, 144, 255, alpha)
                     : qRgba(x & 0xff, y & 0xff, ((x >> 8) & 0x0f) | ((y >> 8) & 0x0f) << 4, alpha);
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

}  // namespace png_test
