#include "platform/png_encoder.h"

#include <libdeflate.h>
#include <zlib.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/parallel_rows.h"
#include "platform/run_deflate.h"

namespace {

// Rows are converted and filtered in batches of about this many bytes before they are deflated:
// small enough to stay in the cache, large enough to keep the calls to zlib few.
constexpr qsizetype kBatchBytes = 128 * 1024;
// A band restarts the deflate dictionary, so bands are kept tall enough for that not to matter.
constexpr int kMinBandRows = 32;
constexpr int kBandsPerThread = 4;
// PngDeflate::Split: libdeflate deflates screen rows about this many times as fast as Auto's zlib
// bands (measured on photo-like and flat desktops), so its tail takes that share of the rows
// against one thread of zlib bands. By the entropy of the filtered rows, in bits per byte:
// above kNoiseBits the rows are taken for noise and left to zlib; below kFlatBits (flat colour,
// nearly every filtered byte zero) all rows go to libdeflate's level 2, which is there both
// faster and smaller than zlib's bands (which, mixed with it, make the PNG larger); level 1 in
// between (photographs, text, windows). A sample of one colour alone (below kOneColourBits)
// stays with zlib, whose runs are there about a tenth smaller than anything libdeflate makes.
constexpr double kLibdeflateSpeedup = 1.3;
constexpr double kNoiseBits = 7.0;
constexpr double kFlatBits = 0.5;
constexpr double kOneColourBits = 0.001;
// PngDeflate::Auto picks the strategy for each batch of filtered rows by the share of its bytes
// that end a run of four (runBytes), in per mille; Auto codes what this names Z_HUFFMAN_ONLY and
// Z_RLE with its own coder. Few runs (a photograph): Huffman codes alone, with no search for
// runs. Some runs (flat patches among the detail): runs.
// Mostly runs broken by detail (text, icons, window frames): LZ77 at level 1, which finds the
// detail repeated. Nearly all runs (flat colour): Z_RLE again, since level 1 stops indexing
// strings inside long matches and then finds them at scattered distances that cost more bits.
int strategyForRuns(qsizetype runs, qsizetype size) {
    const qsizetype perMille = size > 0 ? runs * 1000 / size : 0;
    if (perMille < 200) return Z_HUFFMAN_ONLY;
    if (perMille < 600) return Z_RLE;
    if (perMille < 940) return Z_DEFAULT_STRATEGY;
    return Z_RLE;
}

enum class Layout { Rgb, Rgba, RgbaPremultiplied };

void putBigEndian(uchar* out, quint32 value) {
    out[0] = uchar(value >> 24);
    out[1] = uchar(value >> 16);
    out[2] = uchar(value >> 8);
    out[3] = uchar(value);
}

void appendChunk(QByteArray& png, const char* type, const uchar* data, quint32 size) {
    uchar header[8];
    putBigEndian(header, size);
    std::memcpy(header + 4, type, 4);
    png.append(reinterpret_cast<const char*>(header), 8);
    uLong crc = crc32(0, header + 4, 4);
    if (size > 0) {  // crc32() restarts on a null buffer
        png.append(reinterpret_cast<const char*>(data), size);
        crc = crc32(crc, data, size);
    }
    uchar tail[4];
    putBigEndian(tail, quint32(crc));
    png.append(reinterpret_cast<const char*>(tail), 4);
}

bool isOpaque(const PngPixels& pixels) {
    for (int y = 0; y < pixels.height; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(pixels.bits + y * pixels.bytesPerLine);
        quint32 alpha = 0xff000000u;
        for (int x = 0; x < pixels.width; ++x) alpha &= row[x];
        if (alpha != 0xff000000u) return false;
    }
    return true;
}

// Qt's unpremultiplication, rounding included, without its lookup table (this file is also
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

// One image row as PNG samples: R, G, B (and A) bytes.
void convertRow(const quint32* src, uchar* dst, int width, Layout layout) {
    switch (layout) {
        case Layout::Rgb:
            for (int x = 0; x < width; ++x) {
                const quint32 p = src[x];
                dst[0] = uchar(p >> 16);
                dst[1] = uchar(p >> 8);
                dst[2] = uchar(p);
                dst += 3;
            }
            break;
        case Layout::Rgba:
        case Layout::RgbaPremultiplied: {
            const bool premultiplied = layout == Layout::RgbaPremultiplied;
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

void filterSub(const uchar* cur, uchar* out, qsizetype n, int bpp) {
    for (qsizetype i = 0; i < bpp; ++i) out[i] = cur[i];
    for (qsizetype i = bpp; i < n; ++i) out[i] = uchar(cur[i] - cur[i - bpp]);
}

void filterUp(const uchar* cur, const uchar* prev, uchar* out, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) out[i] = uchar(cur[i] - prev[i]);
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
#ifdef __SSE2__
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

// Bytes that end a run of at least four equal ones: about what Z_RLE can replace by a match.
qsizetype runBytes(const uchar* data, qsizetype n) {
    qsizetype count = 0;
    qsizetype i = 3;
#ifdef __SSE2__
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

quint64 signedSum(const uchar* data, qsizetype n) {
    quint64 sum = 0;
    for (qsizetype i = 0; i < n; ++i) sum += quint64(std::abs(int(qint8(data[i]))));
    return sum;
}

// Writes the filter type byte and the filtered samples of one row.
void filterRow(PngFilter filter, const uchar* cur, const uchar* prev, uchar* out, qsizetype n,
               int bpp, std::vector<uchar>& scratch) {
    switch (filter) {
        case PngFilter::None:
            out[0] = 0;
            std::memcpy(out + 1, cur, size_t(n));
            return;
        case PngFilter::Sub:
            out[0] = 1;
            filterSub(cur, out + 1, n, bpp);
            return;
        case PngFilter::Up:
            out[0] = 2;
            filterUp(cur, prev, out + 1, n);
            return;
        case PngFilter::Paeth:
            out[0] = 4;
            filterPaeth(cur, prev, out + 1, n, bpp);
            return;
        case PngFilter::Adaptive: {
            // The usual heuristic: the candidate with the smallest sum of signed magnitudes.
            scratch.resize(size_t(n) * 2);
            uchar* best = out + 1;
            filterSub(cur, best, n, bpp);
            quint64 bestSum = signedSum(best, n);
            out[0] = 1;
            uchar* candidate = scratch.data();
            filterUp(cur, prev, candidate, n);
            if (const quint64 sum = signedSum(candidate, n); sum < bestSum) {
                bestSum = sum;
                std::memcpy(best, candidate, size_t(n));
                out[0] = 2;
            }
            filterPaeth(cur, prev, candidate, n, bpp);
            if (const quint64 sum = signedSum(candidate, n); sum < bestSum) {
                std::memcpy(best, candidate, size_t(n));
                out[0] = 4;
            }
            return;
        }
    }
}

// Converts and filters rows one after another, keeping the converted row above for the filter.
class RowFilter {
public:
    RowFilter(const PngPixels& pixels, Layout layout, PngFilter filter)
        : m_pixels(pixels),
          m_layout(layout),
          m_filter(filter),
          m_bpp(layout == Layout::Rgb ? 3 : 4),
          m_sampleBytes(qsizetype(pixels.width) * m_bpp),
          m_cur(static_cast<size_t>(m_sampleBytes)),
          m_prev(static_cast<size_t>(m_sampleBytes)) {}

    // A filtered row: its filter byte and its samples.
    qsizetype rowBytes() const { return 1 + m_sampleBytes; }

    // The next row filtered is `y`: the row above it (none for the first) is its predecessor.
    void startAt(int y) {
        if (y > 0) {
            convertRow(row(y - 1), m_prev.data(), m_pixels.width, m_layout);
        } else {
            std::fill(m_prev.begin(), m_prev.end(), uchar(0));
        }
    }
    // Filters row `y`, the one after the last, into `out` (rowBytes() bytes).
    void filterInto(int y, uchar* out) {
        convertRow(row(y), m_cur.data(), m_pixels.width, m_layout);
        filterRow(m_filter, m_cur.data(), m_prev.data(), out, m_sampleBytes, m_bpp, m_scratch);
        m_cur.swap(m_prev);
    }

private:
    const quint32* row(int y) const {
        return reinterpret_cast<const quint32*>(m_pixels.bits + y * m_pixels.bytesPerLine);
    }

    const PngPixels& m_pixels;
    Layout m_layout;
    PngFilter m_filter;
    int m_bpp;
    qsizetype m_sampleBytes;
    std::vector<uchar> m_cur;
    std::vector<uchar> m_prev;
    std::vector<uchar> m_scratch;
};

// A raw deflate stream of zlib's, ended when it goes out of scope.
struct ZlibStream {
    z_stream zs{};
    bool started = false;

    ZlibStream() = default;
    ZlibStream(const ZlibStream&) = delete;
    ZlibStream& operator=(const ZlibStream&) = delete;
    ~ZlibStream() {
        if (started) deflateEnd(&zs);
    }
    bool start(int level, int strategy) {
        started = deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, strategy) == Z_OK;
        return started;
    }
};

struct Band {
    int firstRow = 0;
    int endRow = 0;
    int libdeflateLevel = 0;  // the last band only: libdeflate deflates it whole, ending the stream
    std::unique_ptr<uchar[]> deflated;  // raw deflate data, ending on a byte boundary
    size_t capacity = 0;
    size_t size = 0;
    uLong adler = 1;  // Adler-32 of this band's filtered bytes
    qsizetype filteredSize = 0;
    uLong crc = 0;  // CRC-32 of "IDAT" and the deflated data, ready to be continued
    bool ok = false;
};

// A band's rows filtered a batch at a time into two buffers in turn, so that the batch before
// stays readable (zlib's dictionary) while the next is made; the band's Adler-32 kept on the way.
class BatchRows {
public:
    BatchRows(const PngPixels& pixels, Layout layout, PngFilter filter, const Band& band)
        : m_rows(pixels, layout, filter),
          m_batchRows(std::max<qsizetype>(1, kBatchBytes / m_rows.rowBytes())),
          m_y(band.firstRow),
          m_end(band.endRow) {
        for (std::vector<uchar>& buffer : m_buffers) {
            buffer.resize(size_t(m_batchRows * m_rows.rowBytes()));
        }
        m_rows.startAt(m_y);
    }

    bool done() const { return m_y >= m_end; }
    std::pair<const uchar*, qsizetype> next(Band& band) {
        std::vector<uchar>& buffer = m_buffers[m_turn];
        m_turn ^= 1;
        const int batchEnd = int(std::min<qsizetype>(m_end, m_y + m_batchRows));
        uchar* out = buffer.data();
        for (; m_y < batchEnd; ++m_y, out += m_rows.rowBytes()) m_rows.filterInto(m_y, out);
        const qsizetype size = out - buffer.data();
        band.adler = adler32(band.adler, buffer.data(), uInt(size));
        return {buffer.data(), size};
    }

private:
    RowFilter m_rows;
    qsizetype m_batchRows;
    int m_y;
    int m_end;
    std::array<std::vector<uchar>, 2> m_buffers;
    int m_turn = 0;
};

class BandEncoder {
public:
    BandEncoder(const PngPixels& pixels, Layout layout, const PngOptions& options,
                const std::atomic<bool>* cancel)
        : m_pixels(pixels),
          m_layout(layout),
          m_options(options),
          m_cancel(cancel),
          m_rowBytes(RowFilter(pixels, layout, options.filter).rowBytes()) {}

    void encode(Band& band, bool first, bool last) const {
        if (band.libdeflateLevel > 0) {
            bool ok = false;
            try {
                ok = last && deflateWithLibdeflate(band, first);
            } catch (const std::bad_alloc&) {
            }
            if (!ok) {
                m_failed = true;
                return;
            }
            band.crc = crc32_z(crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4),
                               band.deflated.get(), band.size);
            band.ok = true;
            return;
        }
        bool ok = false;
        try {
            ok = m_options.deflate == PngDeflate::Auto || m_options.deflate == PngDeflate::Split
                     ? deflateRowsByRuns(band, first, last)
                     : deflateRowsWithZlib(band, first, last);
        } catch (const std::bad_alloc&) {
            // An image too large for the memory we may use gives no PNG rather than a crash.
        }
        if (!ok) {
            m_failed = true;
            return;
        }
        band.crc = crc32_z(crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4), band.deflated.get(),
                           band.size);
        band.ok = true;
    }

    // Set once a band has failed: the others stop, since the PNG cannot be made anyway.
    bool failed() const { return m_failed; }

private:
    bool stopped() const {
        return m_failed || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }

    // The band's output, sized for its filtered rows; the first band opens the zlib stream.
    void startOutput(Band& band, size_t bound, bool first) const {
        band.filteredSize = m_rowBytes * (band.endRow - band.firstRow);
        // Not zero-filled: touching tens of megabytes for nothing shows up in the profile.
        band.capacity = bound + 64;
        band.deflated.reset(new uchar[band.capacity]);
        band.size = 0;
        if (first) {
            // zlib stream header: deflate, 32 KiB window, no dictionary, fastest level.
            band.deflated[0] = 0x78;
            band.deflated[1] = 0x01;
            band.size = 2;
        }
    }

    static void reserve(Band& band, size_t more) {
        if (band.capacity - band.size >= more) return;
        const size_t capacity = std::max(band.capacity * 2, band.size + more) + 1024;
        std::unique_ptr<uchar[]> grown(new uchar[capacity]);
        std::memcpy(grown.get(), band.deflated.get(), band.size);
        band.deflated = std::move(grown);
        band.capacity = capacity;
    }

    // One zlib strategy for all rows (the settings Auto was chosen from).
    bool deflateRowsWithZlib(Band& band, bool first, bool last) const {
        int level = 1;
        int strategy = Z_DEFAULT_STRATEGY;
        if (m_options.deflate == PngDeflate::Rle) strategy = Z_RLE;
        if (m_options.deflate == PngDeflate::HuffmanOnly) strategy = Z_HUFFMAN_ONLY;
        if (m_options.deflate == PngDeflate::Default) level = Z_DEFAULT_COMPRESSION;
        ZlibStream zlib;
        if (!zlib.start(level, strategy)) return false;
        z_stream& zs = zlib.zs;
        startOutput(band, deflateBound(&zs, uLong(m_rowBytes * (band.endRow - band.firstRow))),
                    first);
        BatchRows rows(m_pixels, m_layout, m_options.filter, band);
        while (!rows.done()) {
            const auto [data, size] = rows.next(band);
            if (!deflateAll(zs, band, data, uInt(size), Z_NO_FLUSH) || stopped()) return false;
        }
        return deflateAll(zs, band, nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
    }

    // Auto: each batch of filtered rows by what its runs call for. Few runs or many go through
    // our own Huffman coder (literals alone, or literals and runs); rows of repeated detail
    // between (text, icons) through zlib's LZ77, which finds the repeats. zlib joins in after
    // a byte-aligned end of our blocks, with the rows before as its dictionary.
    bool deflateRowsByRuns(Band& band, bool first, bool last) const {
        const size_t filteredSize = size_t(m_rowBytes) * size_t(band.endRow - band.firstRow);
        RunDeflater ours;
        startOutput(
            band,
            std::max<size_t>(compressBound(uLong(filteredSize)), ours.maxOutput(filteredSize)),
            first);
        ZlibStream zlib;  // started by the first batch it takes
        z_stream& zs = zlib.zs;
        bool inOurBlocks = false;  // else in zlib's, or at the start
        BatchRows rows(m_pixels, m_layout, m_options.filter, band);
        std::pair<const uchar*, qsizetype> before{nullptr, 0};  // the batch before
        while (!rows.done()) {
            const auto [data, size] = rows.next(band);
            const int wanted = strategyForRuns(runBytes(data, size), size);
            if (wanted == Z_DEFAULT_STRATEGY) {
                if (!zlib.started && !zlib.start(1, Z_DEFAULT_STRATEGY)) return false;
                if (inOurBlocks) {
                    reserve(band, ours.maxOutput(0));
                    band.size +=
                        ours.align(band.deflated.get() + band.size, band.capacity - band.size);
                    const qsizetype window = std::min<qsizetype>(before.second, 32 * 1024);
                    if (deflateSetDictionary(&zs, before.first + before.second - window,
                                             uInt(window)) != Z_OK) {
                        return false;
                    }
                    inOurBlocks = false;
                }
                if (!deflateAll(zs, band, data, uInt(size), Z_NO_FLUSH)) return false;
            } else {
                if (!inOurBlocks && zlib.started &&
                    !deflateAll(zs, band, nullptr, 0, Z_SYNC_FLUSH)) {
                    return false;
                }
                inOurBlocks = true;
                reserve(band, ours.maxOutput(size_t(size)));
                band.size += ours.add(band.deflated.get() + band.size, band.capacity - band.size,
                                      data, size_t(size), wanted == Z_RLE, before.second > 0,
                                      before.second > 0 ? before.first[before.second - 1] : 0);
            }
            before = {data, size};
            if (stopped()) return false;
        }
        if (inOurBlocks || !zlib.started) {
            reserve(band, ours.maxOutput(0));
            uchar* out = band.deflated.get() + band.size;
            const size_t room = band.capacity - band.size;
            band.size += last ? ours.finish(out, room) : ours.align(out, room);
            return true;
        }
        return deflateAll(zs, band, nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
    }

    // The band's rows filtered into one buffer and deflated by libdeflate in one call, which
    // ends the stream: only for the last band.
    bool deflateWithLibdeflate(Band& band, bool first) const {
        const qsizetype rowBytes = m_rowBytes;
        band.filteredSize = rowBytes * (band.endRow - band.firstRow);
        std::unique_ptr<uchar[]> filtered(new uchar[size_t(band.filteredSize)]);
        RowFilter rows(m_pixels, m_layout, m_options.filter);
        rows.startAt(band.firstRow);
        uchar* out = filtered.get();
        for (int y = band.firstRow; y < band.endRow; ++y, out += rowBytes) {
            rows.filterInto(y, out);
            if ((m_cancel && m_cancel->load(std::memory_order_relaxed)) || m_failed) return false;
        }
        const auto size = size_t(band.filteredSize);
        band.adler = libdeflate_adler32(1, filtered.get(), size);
        const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
            libdeflate_alloc_compressor(band.libdeflateLevel), libdeflate_free_compressor);
        if (!compressor) return false;
        const size_t header = first ? 2 : 0;
        band.capacity = header + libdeflate_deflate_compress_bound(compressor.get(), size);
        band.deflated.reset(new uchar[band.capacity]);
        if (first) {
            band.deflated[0] = 0x78;  // zlib stream header, as deflateRows writes it
            band.deflated[1] = 0x01;
        }
        const size_t deflated =
            libdeflate_deflate_compress(compressor.get(), filtered.get(), size,
                                        band.deflated.get() + header, band.capacity - header);
        band.size = header + deflated;
        return deflated > 0;
    }

    static bool deflateAll(z_stream& zs, Band& band, const uchar* data, uInt size, int flush) {
        zs.next_in = const_cast<Bytef*>(data);
        zs.avail_in = size;
        for (;;) {
            if (band.capacity - band.size < 64) {
                // deflateBound() does not cover the flush markers; rarely needed.
                const size_t capacity = band.capacity * 2 + 1024;
                std::unique_ptr<uchar[]> grown(new uchar[capacity]);
                std::memcpy(grown.get(), band.deflated.get(), band.size);
                band.deflated = std::move(grown);
                band.capacity = capacity;
            }
            zs.next_out = band.deflated.get() + band.size;
            zs.avail_out = uInt(std::min<size_t>(band.capacity - band.size, 1u << 30));
            const uInt before = zs.avail_out;
            const int rc = deflate(&zs, flush);
            band.size += before - zs.avail_out;
            if (rc == Z_STREAM_ERROR) return false;
            if (flush == Z_FINISH) {
                if (rc == Z_STREAM_END) return true;
            } else if (zs.avail_in == 0 && zs.avail_out != 0) {
                return true;
            }
        }
    }

    const PngPixels& m_pixels;
    Layout m_layout;
    PngOptions m_options;
    const std::atomic<bool>* m_cancel;
    mutable std::atomic<bool> m_failed{false};
    qsizetype m_rowBytes;
};

// The PNG's chunks before its image data: signature, IHDR and, where known, pHYs.
void appendHeader(QByteArray& png, const PngPixels& pixels, Layout layout) {
    png.append("\x89PNG\r\n\x1a\n", 8);
    uchar ihdr[13];
    putBigEndian(ihdr, quint32(pixels.width));
    putBigEndian(ihdr + 4, quint32(pixels.height));
    ihdr[8] = 8;                              // bits per sample
    ihdr[9] = layout == Layout::Rgb ? 2 : 6;  // truecolour, with alpha or without
    ihdr[10] = ihdr[11] = ihdr[12] = 0;       // deflate, adaptive filtering, no interlace
    appendChunk(png, "IHDR", ihdr, sizeof ihdr);
    if (pixels.dotsPerMeterX > 0 && pixels.dotsPerMeterY > 0) {
        uchar phys[9];
        putBigEndian(phys, quint32(pixels.dotsPerMeterX));
        putBigEndian(phys + 4, quint32(pixels.dotsPerMeterY));
        phys[8] = 1;  // metres
        appendChunk(png, "pHYs", phys, sizeof phys);
    }
}

// The whole image filtered on `threads` threads into one buffer, then deflated by libdeflate
// in one call straight into the PNG's one IDAT chunk.
QByteArray encodeWhole(const PngPixels& pixels, Layout layout, const PngOptions& options,
                       int threads, const std::atomic<bool>* cancel) {
    const qsizetype rowBytes = RowFilter(pixels, layout, options.filter).rowBytes();
    const auto filteredSize = size_t(rowBytes) * size_t(pixels.height);
    std::unique_ptr<uchar[]> filtered(new (std::nothrow) uchar[filteredSize]);
    if (!filtered) return {};
    const int bands = std::clamp(threads, 1, pixels.height);
    std::atomic<int> next{0};
    std::atomic<bool> cancelled{false};
    runOnThreads(bands, [&] {
        RowFilter rows(pixels, layout, options.filter);
        for (int i; (i = next.fetch_add(1)) < bands;) {
            const int first = int(qint64(pixels.height) * i / bands);
            const int end = int(qint64(pixels.height) * (i + 1) / bands);
            rows.startAt(first);
            for (int y = first; y < end; ++y) {
                rows.filterInto(y, filtered.get() + size_t(y) * size_t(rowBytes));
                if (cancel && cancel->load(std::memory_order_relaxed)) cancelled = true;
            }
        }
    });
    if (cancelled) return {};
    const int level = options.deflate == PngDeflate::Whole2 ? 2 : 1;
    const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    if (!compressor) return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filteredSize);
    if (bound > 0x7fffffffu - 4096) return {};  // more than one chunk holds
    QByteArray png;
    try {
        png.reserve(qsizetype(bound) + 4096);
    } catch (const std::bad_alloc&) {
        return {};
    }
    appendHeader(png, pixels, layout);
    const qsizetype idat = png.size();
    png.resize(idat + 8 + qsizetype(bound));
    auto* data = reinterpret_cast<uchar*>(png.data()) + idat + 8;
    const size_t size =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), filteredSize, data, bound);
    if (size == 0) return {};
    auto* header = reinterpret_cast<uchar*>(png.data()) + idat;
    putBigEndian(header, quint32(size));
    std::memcpy(header + 4, "IDAT", 4);
    png.resize(idat + 8 + qsizetype(size));
    uchar crc[4];
    putBigEndian(crc, libdeflate_crc32(libdeflate_crc32(0, "IDAT", 4), data, size));
    png.append(reinterpret_cast<const char*>(crc), 4);
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace

bool isPngNativeFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

namespace {

int threadCount(const PngOptions& options) {
    return options.threads > 0 ? options.threads : coreCount();
}

int bandCountFor(int threads, int height) {
    return std::clamp(std::min(threads * kBandsPerThread, height / kMinBandRows), 1, 1024);
}

// Bits per byte of the filtered rows, from a sample of rows spread over the image.
double sampledEntropy(const PngPixels& pixels, Layout layout, PngFilter filter) {
    RowFilter rows(pixels, layout, filter);
    const qsizetype sampleBytes = rows.rowBytes() - 1;
    std::vector<uchar> out(static_cast<size_t>(rows.rowBytes()));
    std::vector<qsizetype> counts(256, 0);
    const int samples = std::min(pixels.height, 16);
    for (int i = 0; i < samples; ++i) {
        const int y = int(qint64(pixels.height) * (2 * i + 1) / (2 * samples));
        rows.startAt(y);
        rows.filterInto(y, out.data());
        for (qsizetype b = 1; b <= sampleBytes; ++b) ++counts[out[size_t(b)]];
    }
    const double total = double(samples) * double(sampleBytes);
    double bits = 0;
    for (const qsizetype count : counts) {
        if (count > 0) bits -= double(count) / total * std::log2(double(count) / total);
    }
    return bits;
}

// The rows in bands: all of them deflated by zlib, or with PngDeflate::Split those above a
// last band that libdeflate deflates whole, sized so that both take about as long.
std::vector<Band> bandsFor(const PngPixels& pixels, Layout layout, const PngOptions& options,
                           int threads) {
    int tail = 0;
    int level = 0;
    if (options.deflate == PngDeflate::Split) {
        const double bits = sampledEntropy(pixels, layout, options.filter);
        level = bits < kOneColourBits ? 0 : bits < kFlatBits ? 2 : bits < kNoiseBits ? 1 : 0;
    }
    if (level == 2) {
        tail = pixels.height;
    } else if (level == 1) {
        tail = int(
            std::lround(pixels.height * kLibdeflateSpeedup / (threads - 1 + kLibdeflateSpeedup)));
        tail = std::clamp(tail, 1, pixels.height);
    }
    const int above = pixels.height - tail;
    const int count = above > 0 ? bandCountFor(threads, above) : 0;
    std::vector<Band> bands(size_t(count) + (tail > 0 ? 1 : 0));
    for (int i = 0; i < count; ++i) {
        bands[size_t(i)].firstRow = int(qint64(above) * i / count);
        bands[size_t(i)].endRow = int(qint64(above) * (i + 1) / count);
    }
    if (tail > 0) {
        bands.back().firstRow = above;
        bands.back().endRow = pixels.height;
        bands.back().libdeflateLevel = level;
    }
    return bands;
}

}  // namespace

std::size_t pngEncodingMemoryBound(const PngPixels& pixels, const PngOptions& options) {
    if (pixels.width <= 0 || pixels.height <= 0) return 0;
    const int threads = threadCount(options);
    const int bands = bandCountFor(threads, pixels.height);
    // Four bytes a pixel, alpha or not, and each row's filter byte.
    const std::size_t rowBytes = 1 + std::size_t(pixels.width) * 4;
    const std::size_t filtered = rowBytes * std::size_t(pixels.height);
    // deflateBound() of each band, its flush markers, and a doubling should they not fit.
    const std::size_t deflated =
        std::max<std::size_t>(compressBound(uLong(filtered)), RunDeflater().maxOutput(filtered)) +
        std::size_t(bands) * 2048;
    // The bands and the PNG they are joined into live together at the end.
    std::size_t bound = 2 * deflated + 4096;
    // Per thread: its stack (glibc's default), zlib's state at level 1 and the row buffers.
    constexpr std::size_t kStack = 8u << 20;
    constexpr std::size_t kZlibState = 512u << 10;
    const std::size_t buffers = 2 * std::max<std::size_t>(kBatchBytes, rowBytes) + 4 * rowBytes;
    bound += std::size_t(std::min(threads, bands)) * (kStack + kZlibState + buffers);
    if (options.deflate == PngDeflate::Split || options.deflate == PngDeflate::Whole1 ||
        options.deflate == PngDeflate::Whole2) {
        // libdeflate's rows filtered at once (at most all of them) and its state.
        constexpr std::size_t kLibdeflateState = 2u << 20;
        bound += filtered + kLibdeflateState;
    }
    return bound;
}

QByteArray encodePng(const PngPixels& pixels, const PngOptions& options,
                     const std::atomic<bool>* cancel) {
    if (!pixels.bits || pixels.width <= 0 || pixels.height <= 0 ||
        !isPngNativeFormat(pixels.format) || pixels.bytesPerLine < qsizetype(pixels.width) * 4) {
        return {};
    }
    Layout layout = Layout::Rgb;
    if (pixels.format != QImage::Format_RGB32 && !isOpaque(pixels)) {
        layout = pixels.format == QImage::Format_ARGB32 ? Layout::Rgba : Layout::RgbaPremultiplied;
    }

    const int threads = threadCount(options);
    if (options.deflate == PngDeflate::Whole1 || options.deflate == PngDeflate::Whole2) {
        return encodeWhole(pixels, layout, options, threads, cancel);
    }
    std::vector<Band> bands;
    try {
        bands = bandsFor(pixels, layout, options, threads);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const int bandCount = int(bands.size());

    const BandEncoder encoder(pixels, layout, options, cancel);
    // The band libdeflate takes, the longest job, goes first.
    const bool tailFirst = bands.back().libdeflateLevel > 0;
    std::atomic<int> next{0};
    auto work = [&] {
        for (int job; !encoder.failed() && (job = next.fetch_add(1)) < bandCount;) {
            const int i = !tailFirst ? job : job == 0 ? bandCount - 1 : job - 1;
            encoder.encode(bands[size_t(i)], i == 0, i == bandCount - 1);
        }
    };
    runOnThreads(std::min(threads, bandCount), work);

    qsizetype total = 8 + 25 + 21 + 12;
    uLong adler = 1;
    for (const Band& band : bands) {
        if (!band.ok) return {};
        total += 12 + qsizetype(band.size);
        adler = adler32_combine(adler, band.adler, z_off_t(band.filteredSize));
    }
    total += 4;

    QByteArray png;
    try {
        png.reserve(total);  // all that is appended below
    } catch (const std::bad_alloc&) {
        return {};
    }
    appendHeader(png, pixels, layout);
    // One IDAT chunk per band; the last one also carries the stream's Adler-32.
    for (int i = 0; i < bandCount; ++i) {
        const Band& band = bands[size_t(i)];
        const bool last = i == bandCount - 1;
        uchar length[4];
        putBigEndian(length, quint32(band.size + (last ? 4 : 0)));
        png.append(reinterpret_cast<const char*>(length), 4);
        png.append("IDAT", 4);
        png.append(reinterpret_cast<const char*>(band.deflated.get()), qsizetype(band.size));
        uLong crc = band.crc;
        if (last) {
            uchar trailer[4];
            putBigEndian(trailer, quint32(adler));
            png.append(reinterpret_cast<const char*>(trailer), 4);
            crc = crc32(crc, trailer, 4);
        }
        uchar crcBytes[4];
        putBigEndian(crcBytes, quint32(crc));
        png.append(reinterpret_cast<const char*>(crcBytes), 4);
    }
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}
