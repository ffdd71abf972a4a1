#include "capture/image_composition.h"

#include <cmath>
#include <cstring>
#include <thread>

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
    if (pixels == screen.rect()) {
        result = screen;  // the whole screen: shared, not copied
    } else if (screen.rect().contains(pixels)) {
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

namespace {

// Every colour channel times 0.67 (171 / 255), alpha kept: black at alpha 0.33 painted
// source-atop, done directly on the pixels.
void darkenRows(const QImage& from, QImage& to, int firstRow, int endRow) {
    const size_t count = static_cast<size_t>(from.width());
    for (int y = firstRow; y < endRow; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(from.constScanLine(y));
        auto* out = reinterpret_cast<uint32_t*>(to.scanLine(y));
        for (size_t x = 0; x < count; ++x) {
            const uint32_t p = in[x];
            const uint32_t rb = ((p & 0x00FF00FFu) * 171u + 0x00800080u) >> 8 & 0x00FF00FFu;
            const uint32_t g = ((p & 0x0000FF00u) * 171u + 0x00008000u) >> 8 & 0x0000FF00u;
            out[x] = (p & 0xFF000000u) | rb | g;
        }
    }
}

}  // namespace

QImage darkenedScreen(const QImage& screen) {
    if (screen.isNull()) return {};
    // Opaque screens stay in their format, so that painting copies pixels instead of
    // converting them.
    const QImage source = screen.format() == QImage::Format_RGB32 ||
                                  screen.format() == QImage::Format_ARGB32_Premultiplied
                              ? screen
                              : screen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage dark(source.size(), source.format());
    dark.setDevicePixelRatio(source.devicePixelRatio());
    // Half the rows on a second thread: this stands between the grab and the first frame.
    const int middle = source.height() / 2;
    std::thread helper([&] { darkenRows(source, dark, middle, source.height()); });
    darkenRows(source, dark, 0, middle);
    helper.join();
    return dark;
}
