#pragma once
// Lossless PNG encoding tuned for screen images: cheap filters, fast deflate settings, and the
// rows split into bands that are deflated on several threads and joined into one zlib stream,
// so that the result is a single valid PNG any decoder reads back pixel-exact.

#include <QByteArray>
#include <QImage>
#include <atomic>

enum class PngFilter { None, Sub, Up, Paeth, Adaptive };
// Auto: per batch of rows, by how much of the filtered bytes are runs: Huffman codes alone or
// with runs (our own coder, run_deflate.h, in place of zlib's HuffmanOnly and Rle), or Fast.
// Fast, Rle, HuffmanOnly, Default: zlib alone, one setting for all rows.
// Whole1, Whole2: the whole filtered image at once through libdeflate at level 1 or 2 (the rows
// are filtered on several threads, deflated on one).
// Split: the bottom rows deflated by libdeflate in one call (it cannot continue a stream, but it
// can end one) on one thread while the rows above go through Auto's bands on the others; the
// share of each is what equal times take. Where a sample of the filtered rows looks like noise
// or one colour, all of it goes through Auto.
// Auto is the one in use: on the desktops the benchmarks show (a photograph-like wallpaper with
// windows, the test pattern) the libdeflate settings were either larger or slower, or both.
enum class PngDeflate { Fast, Rle, HuffmanOnly, Default, Auto, Whole1, Whole2, Split };

struct PngOptions {
    PngFilter filter = PngFilter::Paeth;
    PngDeflate deflate = PngDeflate::Auto;
    int threads = 0;  // 0: one per core
};

// Pixels the encoder reads without owning them (an image in shared memory, say).
struct PngPixels {
    const uchar* bits = nullptr;
    int width = 0;
    int height = 0;
    qsizetype bytesPerLine = 0;
    QImage::Format format = QImage::Format_Invalid;
    int dotsPerMeterX = 0;  // 0 leaves the physical size out
    int dotsPerMeterY = 0;
};

// The formats encodePng(PngPixels) takes as they are; other formats need a conversion first.
bool isPngNativeFormat(QImage::Format format);

// The most memory encodePng may take for these pixels at once: the deflated bands, the PNG
// they are joined into, and each thread's stack and buffers.
std::size_t pngEncodingMemoryBound(const PngPixels& pixels, const PngOptions& options = {});

// Returns the PNG, or an empty array for an empty image, an unsupported format, when memory
// runs out, or when `cancel` became true on the way.
QByteArray encodePng(const PngPixels& pixels, const PngOptions& options = {},
                     const std::atomic<bool>* cancel = nullptr);
// Converts images of other formats first. Inline: the clipboard helper program uses the encoder
// without Qt's GUI library.
inline QByteArray encodePng(const QImage& image, const PngOptions& options = {}) {
    if (image.isNull()) return {};
    QImage native = image;
    if (!isPngNativeFormat(image.format())) {
        native = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                               : QImage::Format_RGB32);
    }
    const PngPixels pixels{native.constBits(),    native.width(),  native.height(),
                           native.bytesPerLine(), native.format(), native.dotsPerMeterX(),
                           native.dotsPerMeterY()};
    return encodePng(pixels, options);
}
