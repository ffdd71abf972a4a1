#pragma once
// The PNG encoder (platform/png) for Qt's images. Inline: the clipboard helper program uses the
// encoder without Qt's GUI library, and takes only the format names from QImage's header.

#include <QImage>
#include <optional>

#include "platform/png/png_encoder.h"

// The codec's name for a format it reads as it is; none for the others, which need a
// conversion first.
inline std::optional<PngPixelFormat> pngPixelFormat(QImage::Format format) {
    switch (format) {
        case QImage::Format_RGB32:
            return PngPixelFormat::Rgb32;
        case QImage::Format_ARGB32:
            return PngPixelFormat::Argb32;
        case QImage::Format_ARGB32_Premultiplied:
            return PngPixelFormat::Argb32Premultiplied;
        default:
            return std::nullopt;
    }
}

// Converts images of other formats first.
inline QByteArray encodePng(const QImage& image, const PngOptions& options = {}) {
    if (image.isNull()) return {};
    QImage native = image;
    if (!pngPixelFormat(image.format())) {
        native = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                               : QImage::Format_RGB32);
    }
    const PngPixels pixels{native.constBits(),
                           native.width(),
                           native.height(),
                           native.bytesPerLine(),
                           *pngPixelFormat(native.format()),
                           native.dotsPerMeterX(),
                           native.dotsPerMeterY()};
    return encodePng(pixels, options);
}
