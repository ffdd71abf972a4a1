#include "capture/image_composition.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

// Pixel edges of a selection, wide enough for any double the parameters can produce.
struct PixelEdges {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

PixelEdges pixelEdges(const Rect& selection, double screenHeight, double dpr) {
    const double top = screenHeight - selection.y - selection.height;
    const auto px = [dpr](double v) { return std::round(v * dpr); };
    return {px(selection.x), px(top), px(selection.x + selection.width),
            px(top + selection.height)};
}

bool fitsLimits(const PixelEdges& e) {
    // The corner must stay where int arithmetic on it cannot overflow.
    constexpr double kReach = INT_MAX / 4;
    return e.width() <= kMaxImageSide && e.height() <= kMaxImageSide &&
           e.width() * e.height() <= static_cast<double>(kMaxImagePixels) &&
           std::abs(e.left) <= kReach && std::abs(e.top) <= kReach;
}

// Whole numbers in full, as hosts wrote them; fractions as they are.
QString number(double v) {
    return QString::number(v, 'g', 12);
}

QString sizeText(const Rect& selection) {
    return number(selection.width) + QLatin1Char('x') + number(selection.height);
}

}  // namespace

QRect selectionPixelRect(const Rect& selection, double screenHeight, double devicePixelRatio) {
    const PixelEdges e = pixelEdges(selection, screenHeight, devicePixelRatio);
    if (!(e.width() > 0 && e.height() > 0) || !fitsLimits(e)) return {};
    return QRect(static_cast<int>(e.left), static_cast<int>(e.top), static_cast<int>(e.width()),
                 static_cast<int>(e.height()));
}

QImage cutSelection(const QImage& screen, const Rect& selection, double screenHeight,
                    QString* problem) {
    const auto fail = [&](const QString& why) {
        if (problem) *problem = why;
        return QImage();
    };
    const double dpr = screen.isNull() ? 1 : screen.devicePixelRatio();
    const PixelEdges edges = pixelEdges(selection, screenHeight, dpr);
    if (screen.isNull()) return fail(QStringLiteral("there is no screen image"));
    if (!(edges.width() > 0 && edges.height() > 0)) {
        return fail(QStringLiteral("the selection %1 has no area").arg(sizeText(selection)));
    }
    if (!fitsLimits(edges)) {
        return fail(QStringLiteral("the selection %1 at (%2, %3) is beyond the image limits "
                                   "(%4 pixels a side, %5 pixels in all)")
                        .arg(sizeText(selection), number(selection.x), number(selection.y))
                        .arg(kMaxImageSide)
                        .arg(kMaxImagePixels));
    }
    const QRect pixels = selectionPixelRect(selection, screenHeight, dpr);
    const QString noMemory = QStringLiteral("no memory for the %1x%2 pixel image")
                                 .arg(pixels.width())
                                 .arg(pixels.height());

    QImage result;
    if (pixels == screen.rect()) {
        result = screen;  // the whole screen: shared, not copied
    } else if (screen.rect().contains(pixels)) {
        result = screen.copy(pixels);
        if (result.isNull()) return fail(noMemory);
    } else {
        // QImage::copy fills the outside with zeros, which an opaque format shows as black.
        result = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        if (result.isNull()) return fail(noMemory);
        result.fill(Qt::transparent);
        const QRect inside = screen.rect().intersected(pixels);
        if (!inside.isEmpty()) {
            const QImage part =
                screen.copy(inside).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (part.isNull()) return fail(noMemory);
            const QPoint at = inside.topLeft() - pixels.topLeft();
            const size_t rowBytes = static_cast<size_t>(part.width()) * 4;
            uchar* bits = result.bits();
            for (int row = 0; row < part.height(); ++row) {
                std::memcpy(bits + static_cast<size_t>(at.y() + row) * result.bytesPerLine() +
                                static_cast<size_t>(at.x()) * 4,
                            part.constScanLine(row), rowBytes);
            }
        }
    }
    result.setDevicePixelRatio(dpr);
    return result;
}

namespace {

// Every colour channel times 0.67 (171 / 255), alpha kept: black at alpha 0.33 painted
// source-atop, done directly on the pixels. Works on raw rows so that two threads can share
// the images: QImage's non-const accessors detach, which is not safe across threads.
void darkenRows(const uchar* from, qsizetype fromStride, uchar* to, qsizetype toStride,
                size_t width, int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(from + y * fromStride);
        auto* out = reinterpret_cast<uint32_t*>(to + y * toStride);
        for (size_t x = 0; x < width; ++x) {
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
    if (source.isNull() || dark.isNull()) return {};
    dark.setDevicePixelRatio(source.devicePixelRatio());
    const uchar* from = source.constBits();
    uchar* to = dark.bits();
    const qsizetype fromStride = source.bytesPerLine(), toStride = dark.bytesPerLine();
    const size_t width = static_cast<size_t>(source.width());
    const int height = source.height();
    // Half the rows on a second thread: this stands between the grab and the first frame.
    // Without a second thread all rows are done here.
    const int middle = height / 2;
    std::thread helper;
    try {
        helper = std::thread(darkenRows, from, fromStride, to, toStride, width, middle, height);
    } catch (const std::system_error&) {
    }
    darkenRows(from, fromStride, to, toStride, width, 0, helper.joinable() ? middle : height);
    if (helper.joinable()) helper.join();
    return dark;
}
