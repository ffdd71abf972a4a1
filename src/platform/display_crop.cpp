#include "platform/display_crop.h"

#include <cmath>
#include <cstring>

QImage cropDisplayRect(const QImage& picture, const Rect& shown, const Rect& wanted) {
    const double ratio = shown.width > 0 ? picture.width() / shown.width : 1.0;
    const QRect pixels(int(std::lround((wanted.x - shown.x) * ratio)),
                       int(std::lround((wanted.y - shown.y) * ratio)),
                       int(std::lround(wanted.width * ratio)),
                       int(std::lround(wanted.height * ratio)));
    QImage part;
    if (pixels == picture.rect()) {
        part = picture;  // shared, not copied
    } else if (picture.rect().contains(pixels)) {
        part = picture.copy(pixels);
    } else {
        const QImage source = picture.convertToFormat(QImage::Format_RGB32);
        part = QImage(pixels.size(), QImage::Format_RGB32);
        part.fill(Qt::black);
        const QRect inside = pixels.intersected(source.rect());
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            std::memcpy(part.scanLine(y - pixels.y()) + (inside.x() - pixels.x()) * 4,
                        source.constScanLine(y) + inside.x() * 4, size_t(inside.width()) * 4);
        }
    }
    part.setDevicePixelRatio(ratio);
    return part;
}
