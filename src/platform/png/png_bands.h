#pragma once
// The filtered rows in bands, each deflated on its own (on a thread of its own) into a piece of
// one zlib stream: every band but the last ends on a byte boundary, and the first carries the
// stream's header, so the pieces joined in order are the whole stream. Each batch of rows goes
// through the coder its runs call for: our own Huffman coder (literals alone, or literals and
// runs) or zlib's LZ77, which finds repeated detail.

#include <zlib.h>

#include <QtGlobal>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/png/png_pixels.h"
#include "platform/png/png_rows.h"

// Rows are converted and filtered in batches of about this many bytes before they are deflated:
// small enough to stay in the cache, large enough to keep the calls to zlib few.
constexpr qsizetype kPngBatchBytes = 128 * 1024;

struct PngBand {
    int firstRow = 0;
    int endRow = 0;
    std::unique_ptr<uchar[]> deflated;  // raw deflate data, ending on a byte boundary
    size_t capacity = 0;
    size_t size = 0;
    uLong adler = 1;  // Adler-32 of this band's filtered bytes
    qsizetype filteredSize = 0;
    uLong crc = 0;  // CRC-32 of "IDAT" and the deflated data, ready to be continued
    bool ok = false;
};

// The bands for `height` rows on `threads` threads: several a thread, each tall enough for the
// dictionary it starts without not to matter.
int pngBandCountFor(int threads, int height);
std::vector<PngBand> pngBandsFor(int height, int threads);

class BandEncoder {
public:
    BandEncoder(const PngPixels& pixels, PngLayout layout, const std::atomic<bool>* cancel);

    // Deflates `band`; the first opens the zlib stream, the last ends it.
    void encode(PngBand& band, bool first, bool last) const;
    // Set once a band has failed: the others stop, since the PNG cannot be made anyway.
    bool failed() const { return m_failed; }

private:
    bool stopped() const;
    void startOutput(PngBand& band, size_t bound, bool first) const;
    bool deflateRows(PngBand& band, bool first, bool last) const;

    const PngPixels& m_pixels;
    PngLayout m_layout;
    const std::atomic<bool>* m_cancel;
    mutable std::atomic<bool> m_failed{false};
    qsizetype m_rowBytes;
};
