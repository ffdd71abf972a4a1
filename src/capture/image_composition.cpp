#include "capture/image_composition.h"

#include <QPainter>
#include <cmath>
#include <cstring>

QRect selectionPixelRect(const Rect& selection, double screenHeight, double devicePixelRatio) {
    const double top = screenHeight - selection.y - selection.height;
    const auto px = [devicePixelRatio](double v) {
        return static_cast<int>(std::lround(v * devicePixelRatio));
    };
    const int left = px(selection.x);
    const int right = px(selection.x + selection.width);
    const int topPx = px(top);
    const int bottomPx = px(top + selection.height);
    return QRect(left, topPx, right - left, bottomPx - topPx);
}

QImage cutSelection(const QImage& screen, const Rect& selection, double screenHeight) {
    const double dpr = screen.devicePixelRatio();
    const QRect pixels = selectionPixelRect(selection, screenHeight, dpr);
    if (pixels.width() <= 0 || pixels.height() <= 0 || screen.isNull()) return {};

    QImage result;
    if (screen.rect().contains(pixels)) {
        result = screen.copy(pixels);
    } else {
        // QImage::copy fills the outside with zeros, which an opaque format shows as black.
        result = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        result.fill(Qt::transparent);
        const QRect inside = screen.rect().intersected(pixels);
        if (!inside.isEmpty()) {
            const QImage part =
                screen.copy(inside).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            const QPoint at = inside.topLeft() - pixels.topLeft();
            const size_t rowBytes = static_cast<size_t>(part.width()) * 4;
            for (int row = 0; row < part.height(); ++row) {
                std::memcpy(result.scanLine(at.y() + row) + static_cast<size_t>(at.x()) * 4,
                            part.constScanLine(row), rowBytes);
            }
        }
    }
    result.setDevicePixelRatio(dpr);
    return result;
}

QImage darkenedScreen(const QImage& screen) {
    if (screen.isNull()) return {};
    // Opaque screens stay in their format, so that painting copies pixels instead of
    // converting them.
    QImage dark = screen.hasAlphaChannel()
                      ? screen.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                      : screen.convertToFormat(QImage::Format_RGB32);
    if (dark.cacheKey() == screen.cacheKey()) dark.detach();
    QPainter painter(&dark);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(QRect(QPoint(0, 0), dark.size()), QColor::fromRgbF(0, 0, 0, 0.33f));
    return dark;
}
