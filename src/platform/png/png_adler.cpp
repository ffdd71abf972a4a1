#include "platform/png/png_adler.h"

#include "platform/png/png_simd.h"

namespace {

constexpr uint32_t kBase = 65521;
// The most bytes after which the sums, taken modulo kBase before, still fit in 32 bits.
constexpr std::size_t kMaxRun = 5552;

#ifdef QUILLET_PNG_SSE2
uint64_t sumLanes(__m128i v) {
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    return uint64_t(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}
#endif

}  // namespace

uint32_t pngAdler32(uint32_t adler, const uint8_t* data, std::size_t size) {
    uint64_t s1 = adler & 0xFFFFu, s2 = adler >> 16;
#ifdef QUILLET_PNG_SSE2
    // Each 16 bytes add their sum to s1, and to s2 16 times s1 before them plus each byte
    // weighted by how many of the 16 come from it on (16 for the first, 1 for the last).
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstWeights = _mm_set_epi16(9, 10, 11, 12, 13, 14, 15, 16);
    const __m128i lastWeights = _mm_set_epi16(1, 2, 3, 4, 5, 6, 7, 8);
    while (size >= 16) {
        const std::size_t run = (size < kMaxRun ? size : kMaxRun) & ~std::size_t(15);
        size -= run;
        s2 += s1 * run;
        __m128i sums = zero;     // the bytes, so far in this run
        __m128i earlier = zero;  // `sums` before each 16 bytes, added up
        __m128i weighted = zero;
        for (const uint8_t* end = data + run; data < end; data += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
            earlier = _mm_add_epi32(earlier, sums);
            sums = _mm_add_epi32(sums, _mm_sad_epu8(bytes, zero));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_unpacklo_epi8(bytes, zero), firstWeights));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_unpackhi_epi8(bytes, zero), lastWeights));
        }
        s1 += sumLanes(sums);
        s2 += 16 * sumLanes(earlier) + sumLanes(weighted);
        s1 %= kBase;
        s2 %= kBase;
    }
#endif
    while (size > 0) {
        const std::size_t run = size < kMaxRun ? size : kMaxRun;
        size -= run;
        for (const uint8_t* end = data + run; data < end; ++data) {
            s1 += *data;
            s2 += s1;
        }
        s1 %= kBase;
        s2 %= kBase;
    }
    return uint32_t(s2 << 16 | s1);
}
