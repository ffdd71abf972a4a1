#include "platform/pixels_image.h"

#include <memory>

QImage imageOf(const Pixels& pixels) {
    if (pixels.isNull()) return {};
    // The image reads the pixels only: a write detaches it into memory of its own.
    QImage image(
        pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(), pixels.format(),
        [](void* held) { delete static_cast<Pixels*>(held); }, new Pixels(pixels));
    // The physical size stays the toolkit's own for its screens, as for any image it makes.
    image.setDevicePixelRatio(pixels.devicePixelRatio());
    return image;
}

Pixels pixelsOf(const QImage& image) {
    if (image.isNull()) return {};
    auto native = std::make_shared<QImage>(image);
    if (!pngPixelFormat(image.format())) {
        *native = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                : QImage::Format_RGB32);
        if (native->isNull()) return {};
    }
    // constBits: a shared image must not detach; nobody writes through these pixels.
    Pixels pixels(const_cast<uchar*>(native->constBits()), native->width(), native->height(),
                  native->bytesPerLine(), native->format(), native);
    pixels.setDevicePixelRatio(image.devicePixelRatio());
    pixels.setDotsPerMeter(image.dotsPerMeterX(), image.dotsPerMeterY());
    return pixels;
}
