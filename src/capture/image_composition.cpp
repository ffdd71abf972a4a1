#include "capture/image_composition.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/parallel_rows.h"
#include "platform/pixels_image.h"

QImage cutSelection(const QImage& screen, const Rect& selection, double screenHeight,
                    QString* problem) {
    return imageOf(cutSelection(pixelsOf(screen), selection, screenHeight, problem));
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