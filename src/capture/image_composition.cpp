#include "capture/image_composition.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <climits>
#include <cmath>
#include <cstring>

#include "platform/parallel_rows.h"

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

constexpr qint64 kThreadedDarkenPixels = 1 << 20;

// Every colour channel times 0.67 (171 / 255), alpha kept: black at alpha 0.33 painted
// source-atop, done directly on the pixels. Works on raw rows so that two threads can share
// the images: QImage's non-const accessors detach, which is not safe across threads.
void darkenRows(const uchar* from, qsizetype fromStride, uchar* to, qsizetype toStride,
                size_t width, int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(from + y * fromStride);
        auto* out = reinterpret_cast<uint32_t*>(to + y * toStride);
        size_t x = 0;
#ifdef __SSE2__
        // Four pixels at a time, each channel widened to 16 bits: the same arithmetic.
        const __m128i factor = _mm_set1_epi16(short(kDarkMaskKeeps));
        const __m128i half = _mm_set1_epi16(128);
        const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
        const __m128i zero = _mm_setzero_si128();
        for (; x + 4 <= width; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
            __m128i lo = _mm_unpacklo_epi8(p, zero);
            __m128i hi = _mm_unpackhi_epi8(p, zero);
            lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, factor), half), 8);
            hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, factor), half), 8);
            const __m128i dark = _mm_packus_epi16(lo, hi);
            const __m128i result =
                _mm_or_si128(_mm_and_si128(p, alpha), _mm_andnot_si128(alpha, dark));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), result);
        }
#endif
        for (; x < width; ++x) {
            const uint32_t p = in[x];
            const uint32_t rb =
                ((p & 0x00FF00FFu) * kDarkMaskKeeps + 0x00800080u) >> 8 & 0x00FF00FFu;
            const uint32_t g =
                ((p & 0x0000FF00u) * kDarkMaskKeeps + 0x00008000u) >> 8 & 0x0000FF00u;
            out[x] = (p & 0xFF000000u) | rb | g;
        }
    }
}

}  // namespace

bool darkenInto(const QImage& source, const QRect& from, QImage& target, QPoint to) {
    if (source.format() != QImage::Format_RGB32 || target.depth() != 32 || !target.isDetached()) {
        return false;
    }
    const QPoint shift = to - from.topLeft();  // from a source pixel to its target pixel
    const QRect inSource =
        from.intersected(source.rect()).intersected(target.rect().translated(-shift));
    if (inSource.isEmpty()) return true;
    const QRect inTarget = inSource.translated(shift);
    const qsizetype fromStride = source.bytesPerLine(), toStride = target.bytesPerLine();
    const uchar* fromBits =
        source.constBits() + inSource.y() * fromStride + qsizetype(inSource.x()) * 4;
    // constBits: the caller's painter writes through the same buffer, which bits() could move.
    auto* toBits =
        const_cast<uchar*>(target.constBits()) + inTarget.y() * toStride + inTarget.x() * 4;
    const auto width = static_cast<size_t>(inTarget.width());
    const int rows = inTarget.height();
    // A whole screen's worth is shared with a second thread: it stands before the first frame.
    const int bands = qint64(rows) * inTarget.width() >= kThreadedDarkenPixels ? 2 : 1;
    forEachRowBand(rows, bands, [&](int first, int end) {
        darkenRows(fromBits, fromStride, toBits, toStride, width, first, end);
    });
    return true;
}