#include "platform/png/png_bands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "platform/png/png_adler.h"
#include "platform/png/run_deflate.h"

namespace {

// A band restarts the deflate dictionary, so bands are kept tall enough for that not to matter.
constexpr int kMinBandRows = 32;
constexpr int kBandsPerThread = 4;
// zlib's window. Where zlib takes over from our coder, its dictionary is the batch before, and
// only that: a batch of whole rows holds at least half of kPngBatchBytes (or one row, more).
constexpr qsizetype kWindowBytes = 32 * 1024;
static_assert(kPngBatchBytes / 2 >= kWindowBytes,
              "the batch before must fill zlib's whole window as its dictionary");

// The strategy for each batch of filtered rows, by the share of its bytes that end a run of four
// (runBytes), in per mille; what this names Z_HUFFMAN_ONLY and Z_RLE goes through our own coder.
// Few runs (a photograph): Huffman codes alone, with no search for runs. Some runs (flat patches
// among the detail): runs. Mostly runs broken by detail (text, icons, window frames): LZ77 at level
// 1, which finds the detail repeated. Nearly all runs (flat colour): Z_RLE again, since level 1
// stops indexing strings inside long matches and then finds them at scattered distances that cost
// more bits.
int strategyForRuns(qsizetype runs, qsizetype size) {
    const qsizetype perMille = size > 0 ? runs * 1000 / size : 0;
    if (perMille < 200) return Z_HUFFMAN_ONLY;
    if (perMille < 600) return Z_RLE;
    if (perMille < 940) return Z_DEFAULT_STRATEGY;
    return Z_RLE;
}

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

// A band's rows filtered a batch at a time into two buffers in turn, so that the batch before
// stays readable (zlib's dictionary) while the next is made; the band's Adler-32 kept on the way.
class BatchRows {
public:
    BatchRows(const PngPixels& pixels, PngLayout layout, const PngBand& band)
        : m_rows(pixels, layout),
          m_batchRows(std::max<qsizetype>(1, kPngBatchBytes / m_rows.rowBytes())),
          m_y(band.firstRow),
          m_end(band.endRow) {
        for (std::vector<uchar>& buffer : m_buffers) {
            buffer.resize(size_t(m_batchRows * m_rows.rowBytes()));
        }
        m_rows.startAt(m_y);
    }

    bool done() const { return m_y >= m_end; }
    std::pair<const uchar*, qsizetype> next(PngBand& band) {
        std::vector<uchar>& buffer = m_buffers[m_turn];
        m_turn ^= 1;
        const int batchEnd = int(std::min<qsizetype>(m_end, m_y + m_batchRows));
        uchar* out = buffer.data();
        for (; m_y < batchEnd; ++m_y, out += m_rows.rowBytes()) m_rows.filterInto(m_y, out);
        const qsizetype size = out - buffer.data();
        band.adler = pngAdler32(uint32_t(band.adler), buffer.data(), std::size_t(size));
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

bool deflateAll(z_stream& zs, PngBand& band, const uchar* data, uInt size, int flush) {
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

void reserve(PngBand& band, size_t more) {
    if (band.capacity - band.size >= more) return;
    const size_t capacity = std::max(band.capacity * 2, band.size + more) + 1024;
    std::unique_ptr<uchar[]> grown(new uchar[capacity]);
    std::memcpy(grown.get(), band.deflated.get(), band.size);
    band.deflated = std::move(grown);
    band.capacity = capacity;
}

}  // namespace

int pngBandCountFor(int threads, int height) {
    return std::clamp(std::min(threads * kBandsPerThread, height / kMinBandRows), 1, 1024);
}

std::vector<PngBand> pngBandsFor(int height, int threads) {
    const int count = pngBandCountFor(threads, height);
    std::vector<PngBand> bands(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        bands[size_t(i)].firstRow = int(qint64(height) * i / count);
        bands[size_t(i)].endRow = int(qint64(height) * (i + 1) / count);
    }
    return bands;
}

BandEncoder::BandEncoder(const PngPixels& pixels, PngLayout layout, const std::atomic<bool>* cancel)
    : m_pixels(pixels),
      m_layout(layout),
      m_cancel(cancel),
      m_rowBytes(RowFilter(pixels, layout).rowBytes()) {}

void BandEncoder::encode(PngBand& band, bool first, bool last) const {
    bool ok = false;
    try {
        ok = deflateRows(band, first, last);
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

bool BandEncoder::stopped() const {
    return m_failed || (m_cancel && m_cancel->load(std::memory_order_relaxed));
}

// The band's output, sized for its filtered rows; the first band opens the zlib stream.
void BandEncoder::startOutput(PngBand& band, size_t bound, bool first) const {
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

// Each batch of filtered rows by what its runs call for. Few runs or many go through our own
// Huffman coder (literals alone, or literals and runs); rows of repeated detail between (text,
// icons) through zlib's LZ77, which finds the repeats. zlib joins in after a byte-aligned end of
// our blocks, with the batch before as its dictionary.
bool BandEncoder::deflateRows(PngBand& band, bool first, bool last) const {
    const size_t filteredSize = size_t(m_rowBytes) * size_t(band.endRow - band.firstRow);
    RunDeflater ours;
    startOutput(band,
                std::max<size_t>(compressBound(uLong(filteredSize)), ours.maxOutput(filteredSize)),
                first);
    ZlibStream zlib;  // started by the first batch it takes
    z_stream& zs = zlib.zs;
    bool inOurBlocks = false;  // else in zlib's, or at the start
    BatchRows rows(m_pixels, m_layout, band);
    std::pair<const uchar*, qsizetype> before{nullptr, 0};  // the batch before
    while (!rows.done()) {
        const auto [data, size] = rows.next(band);
        const int wanted = strategyForRuns(runBytes(data, size), size);
        if (wanted == Z_DEFAULT_STRATEGY) {
            if (!zlib.started && !zlib.start(1, Z_DEFAULT_STRATEGY)) return false;
            if (inOurBlocks) {
                reserve(band, ours.maxOutput(0));
                band.size += ours.align(band.deflated.get() + band.size, band.capacity - band.size);
                const qsizetype window = std::min<qsizetype>(before.second, kWindowBytes);
                if (deflateSetDictionary(&zs, before.first + before.second - window,
                                         uInt(window)) != Z_OK) {
                    return false;
                }
                inOurBlocks = false;
            }
            if (!deflateAll(zs, band, data, uInt(size), Z_NO_FLUSH)) return false;
        } else {
            if (!inOurBlocks && zlib.started && !deflateAll(zs, band, nullptr, 0, Z_SYNC_FLUSH)) {
                return false;
            }
            inOurBlocks = true;
            reserve(band, ours.maxOutput(size_t(size)));
            band.size += ours.add(band.deflated.get() + band.size, band.capacity - band.size, data,
                                  size_t(size), wanted == Z_RLE, before.second > 0,
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
