#include "platform/png/png_encoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/parallel_rows.h"
#include "platform/png/png_bands.h"
#include "platform/png/png_chunks.h"
#include "platform/png/png_rows.h"
#include "platform/png/run_deflate.h"

namespace {

int threadCount(const PngOptions& options) {
    return options.threads > 0 ? options.threads : coreCount();
}

}  // namespace

std::size_t pngEncodingMemoryBound(const PngPixels& pixels, const PngOptions& options) {
    if (pixels.width <= 0 || pixels.height <= 0) return 0;
    const int threads = threadCount(options);
    const int bands = pngBandCountFor(threads, pixels.height);
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
    const std::size_t buffers = 2 * std::max<std::size_t>(kPngBatchBytes, rowBytes) + 4 * rowBytes;
    bound += std::size_t(std::min(threads, bands)) * (kStack + kZlibState + buffers);
    return bound;
}

QByteArray encodePng(const PngPixels& pixels, const PngOptions& options,
                     const std::atomic<bool>* cancel) {
    if (!pixels.bits || pixels.width <= 0 || pixels.height <= 0 ||
        pixels.bytesPerLine < qsizetype(pixels.width) * 4) {
        return {};
    }
    const PngLayout layout = pngLayoutFor(pixels);
    const int threads = threadCount(options);
    std::vector<PngBand> bands;
    try {
        bands = pngBandsFor(pixels.height, threads);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const int bandCount = int(bands.size());
    const BandEncoder encoder(pixels, layout, cancel);
    std::atomic<int> next{0};
    runOnThreads(std::min(threads, bandCount), [&] {
        for (int i; !encoder.failed() && (i = next.fetch_add(1)) < bandCount;) {
            encoder.encode(bands[size_t(i)], i == 0, i == bandCount - 1);
        }
    });
    if (!std::all_of(bands.begin(), bands.end(), [](const PngBand& b) { return b.ok; })) {
        return {};
    }
    QByteArray png;
    try {
        png.reserve(pngSizeOf(bands));  // all that is appended below
    } catch (const std::bad_alloc&) {
        return {};
    }
    appendPngHeader(png, pixels, layout);
    appendPngImageData(png, bands);
    return png;
}
