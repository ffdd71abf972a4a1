#include "platform/png/png_rows.h"

#include <algorithm>
#include <cstdlib>

#include "platform/png/png_simd.h"

#ifdef QUILLET_PNG_SSE2
#include <tmmintrin.h>
#endif

namespace {

bool isOpaque(const PngPixels& pixels) {
    for (int y = 0; y < pixels.height; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(pixels.bits + y * pixels.bytesPerLine);
        quint32 alpha = 0xff000000u;
        for (int x = 0; x < pixels.width; ++x) alpha &= row[x];
        if (alpha != 0xff000000u) return false;
    }
    return true;
}

// Qt's qUnpremultiply, rounding included, without its lookup table (this file is also
// built into a program that does not load Qt's GUI library): a colour times 255 / alpha.
quint32 unpremultiply(quint32 p) {
    const quint32 alpha = p >> 24;
    if (alpha == 255) return p;
    if (alpha == 0) return 0;
    const quint32 inverse = 0x00ff00ffu / alpha;
    const auto channel = [inverse](quint32 c) { return (c * inverse + 0x8000u) >> 16; };
    return (alpha << 24) | channel((p >> 16) & 0xff) << 16 | channel((p >> 8) & 0xff) << 8 |
           channel(p & 0xff);
}

// Opaque pixels as R, G, B bytes, one at a time.
void packRgb(const quint32* src, uchar* dst, int width) {
    for (int x = 0; x < width; ++x) {
        const quint32 p = src[x];
        dst[0] = uchar(p >> 16);
        dst[1] = uchar(p >> 8);
        dst[2] = uchar(p);
        dst += 3;
    }
}

#ifdef QUILLET_PNG_SSE2
// Four pixels (B, G, R, X bytes each) to twelve R, G, B bytes a step, by a byte shuffle: SSSE3,
// which not every x86-64 processor has, so chosen at run time.
__attribute__((target("ssse3"))) void packRgbSsse3(const quint32* src, uchar* dst, int width) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    // Each store writes 16 bytes of which 12 count: the last pixels go one at a time.
    for (; x + 6 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x * 3), _mm_shuffle_epi8(pixels, order));
    }
    packRgb(src + x, dst + x * 3, width - x);
}
#endif

using PackRgb = void (*)(const quint32*, uchar*, int);

PackRgb chosenPackRgb() {
#ifdef QUILLET_PNG_SSE2
    if (__builtin_cpu_supports("ssse3")) return packRgbSsse3;
#endif
    return packRgb;
}

// One image row as PNG samples: R, G, B (and A) bytes.
void convertRow(const quint32* src, uchar* dst, int width, PngLayout layout) {
    static const PackRgb packOpaque = chosenPackRgb();
    switch (layout) {
        case PngLayout::Rgb:
            packOpaque(src, dst, width);
            break;
        case PngLayout::Rgba:
        case PngLayout::RgbaPremultiplied: {
            const bool premultiplied = layout == PngLayout::RgbaPremultiplied;
            for (int x = 0; x < width; ++x) {
                const quint32 p = premultiplied ? unpremultiply(src[x]) : src[x];
                dst[0] = uchar(p >> 16);
                dst[1] = uchar(p >> 8);
                dst[2] = uchar(p);
                dst[3] = uchar(p >> 24);
                dst += 4;
            }
            break;
        }
    }
}

// The Paeth predictor: of left (a), above (b) and upper left (c), the one nearest to a + b - c.
// With p = a + b - c: |p - a| = |b - c|, |p - b| = |a - c| and |p - c| = |(b - c) + (a - c)|.
inline int paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

void filterPaeth(const uchar* cur, const uchar* prev, uchar* out, qsizetype n, int bpp) {
    qsizetype i = 0;
    for (; i < std::min<qsizetype>(bpp, n); ++i)
        out[i] = uchar(cur[i] - paethPredictor(0, prev[i], 0));
#ifdef QUILLET_PNG_SSE2
    // Encoding needs no earlier output, so 16 samples at a time, in 16-bit lanes: the same
    // choice as paethPredictor, made with masks.
    const __m128i zero = _mm_setzero_si128();
    auto abs16 = [&](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(zero, v)); };
    auto predict = [&](__m128i a, __m128i b, __m128i c) {
        const __m128i bc = _mm_sub_epi16(b, c);
        const __m128i ac = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(bc);
        const __m128i pb = abs16(ac);
        const __m128i pc = abs16(_mm_add_epi16(bc, ac));
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        const __m128i useC = _mm_cmpgt_epi16(pb, pc);
        const __m128i bOrC = _mm_or_si128(_mm_and_si128(useC, c), _mm_andnot_si128(useC, b));
        return _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
    };
    auto load = [](const uchar* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; i + 16 <= n; i += 16) {
        const __m128i a = load(cur + i - bpp);
        const __m128i b = load(prev + i);
        const __m128i c = load(prev + i - bpp);
        const __m128i low = predict(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero),
                                    _mm_unpacklo_epi8(c, zero));
        const __m128i high = predict(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero),
                                     _mm_unpackhi_epi8(c, zero));
        const __m128i predicted = _mm_packus_epi16(low, high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_sub_epi8(load(cur + i), predicted));
    }
#endif
    for (; i < n; ++i)
        out[i] = uchar(cur[i] - paethPredictor(cur[i - bpp], prev[i], prev[i - bpp]));
}

}  // namespace

PngLayout pngLayoutFor(const PngPixels& pixels) {
    if (pixels.format == PngPixelFormat::Rgb32 || isOpaque(pixels)) return PngLayout::Rgb;
    return pixels.format == PngPixelFormat::Argb32 ? PngLayout::Rgba : PngLayout::RgbaPremultiplied;
}

// Bytes that end a run of at least four equal ones: about what Z_RLE can replace by a match.
qsizetype runBytes(const uchar* data, qsizetype n) {
    qsizetype count = 0;
    qsizetype i = 3;
#ifdef QUILLET_PNG_SSE2
    auto load = [&](qsizetype at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    };
    // Each byte of `equal` is 0 or 0xff; the sums of absolute differences of `equal & 1`
    // against zero count them, eight bytes into each 64-bit half.
    const __m128i one = _mm_set1_epi8(1);
    __m128i sums = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i x0 = load(i), x1 = load(i - 1), x2 = load(i - 2), x3 = load(i - 3);
        const __m128i equal = _mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi8(x0, x1), _mm_cmpeq_epi8(x1, x2)), _mm_cmpeq_epi8(x2, x3));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(equal, one), _mm_setzero_si128()));
    }
    alignas(16) quint64 halves[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(halves), sums);
    count = qsizetype(halves[0] + halves[1]);
#endif
    for (; i < n; ++i)
        count +=
            (data[i] == data[i - 1]) & (data[i - 1] == data[i - 2]) & (data[i - 2] == data[i - 3]);
    return count;
}

RowFilter::RowFilter(const PngPixels& pixels, PngLayout layout)
    : m_pixels(pixels),
      m_layout(layout),
      m_bpp(layout == PngLayout::Rgb ? 3 : 4),
      m_sampleBytes(qsizetype(pixels.width) * m_bpp),
      m_cur(static_cast<size_t>(m_sampleBytes)),
      m_prev(static_cast<size_t>(m_sampleBytes)) {}

void RowFilter::startAt(int y) {
    if (y > 0) {
        convertRow(row(y - 1), m_prev.data(), m_pixels.width, m_layout);
    } else {
        std::fill(m_prev.begin(), m_prev.end(), uchar(0));
    }
}

void RowFilter::filterInto(int y, uchar* out) {
    convertRow(row(y), m_cur.data(), m_pixels.width, m_layout);
    out[0] = 4;  // Paeth
    filterPaeth(m_cur.data(), m_prev.data(), out + 1, m_sampleBytes, m_bpp);
    m_cur.swap(m_prev);
}

const quint32* RowFilter::row(int y) const {
    return reinterpret_cast<const quint32*>(m_pixels.bits + y * m_pixels.bytesPerLine);
}
