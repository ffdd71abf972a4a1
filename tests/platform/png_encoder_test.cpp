// The banded PNG encoder: every kind of image decodes pixel-exact, and the file is valid in every
// detail a strict reader checks (chunk CRCs, one zlib stream with the right Adler-32).
#include "platform/png_image.h"

#include <zlib.h>

#include <QtEndian>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/test_images.h"

namespace {

struct Chunk {
    std::string type;
    QByteArray data;
};

// Splits a PNG into its chunks; nullopt when the signature, a length or a CRC is wrong.
std::optional<std::vector<Chunk>> chunksOf(const QByteArray& png) {
    if (!png.startsWith("\x89PNG\r\n\x1a\n")) return std::nullopt;
    std::vector<Chunk> chunks;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const uchar*>(png.constData() + at);
        const quint32 length = qFromBigEndian<quint32>(p);
        if (at + 12 + qsizetype(length) > png.size()) return std::nullopt;
        const uLong crc = crc32(0, p + 4, 4 + length);
        if (qFromBigEndian<quint32>(p + 8 + length) != crc) return std::nullopt;
        chunks.push_back({std::string(png.constData() + at + 4, 4), png.mid(at + 8, length)});
        at += 12 + length;
    }
    if (at != png.size() || chunks.empty() || chunks.back().type != "IEND") return std::nullopt;
    return chunks;
}

// The filtered rows behind the IDAT chunks; empty when the zlib stream or its checksum is bad.
QByteArray inflatedImageData(const std::vector<Chunk>& chunks, qsizetype expectedSize) {
    QByteArray stream;
    for (const Chunk& c : chunks) {
        if (c.type == "IDAT") stream += c.data;
    }
    QByteArray raw(expectedSize + 1, '\0');  // one spare byte shows any excess
    uLongf size = uLongf(raw.size());
    const int rc =
        uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                   reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size()));
    if (rc != Z_OK) return {};
    raw.truncate(qsizetype(size));
    return raw;
}

PngPixels pixelsOf(const QImage& image) {
    return {image.constBits(),
            image.width(),
            image.height(),
            image.bytesPerLine(),
            *pngPixelFormat(image.format()),
            image.dotsPerMeterX(),
            image.dotsPerMeterY()};
}

struct RoundTrip {
    const char* name;
    QImage image;
    PngOptions options;
};

// Stripes of noise and of the pattern, 20 rows each, on rows wide enough for a band to take
// several batches: the deflate strategy changes inside a band.
QImage stripes() {
    QImage image = test_images::patternImage(4000, 200);
    const QImage noise = test_images::noiseImage(4000, 200);
    for (int y = 0; y < 200; y += 40) {
        for (int row = y; row < y + 20; ++row)
            memcpy(image.scanLine(row), noise.constScanLine(row), size_t(image.bytesPerLine()));
    }
    return image;
}

// Stripes that call for each way of deflating in turn, in one band: a photograph's smooth
// noise (Huffman codes alone), flat colour (runs), and repeated detail like text (LZ77), each
// coming back after the others.
QImage mixedStripes() {
    QImage image(1500, 240, QImage::Format_RGB32);
    uint32_t seed = 1;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int kind = (y / 30) % 3;
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const int wobble = int(seed >> 28);
            row[x] = kind == 0   ? qRgb((x + y) / 8 + wobble, (x / 7) + wobble, y + wobble)
                     : kind == 1 ? qRgb(30, 144, 255)
                                 : ((x / 3 + y) % 7 < 2 ? qRgb(0, 0, 0) : qRgb(250, 250, 250));
        }
    }
    return image;
}

// Every premultiplied colour value under every alpha, as the unpremultiplication meets them.
QImage everyPremultipliedValue() {
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int alpha = 0; alpha < 256; ++alpha) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(alpha));
        for (int x = 0; x < 256; ++x) {
            const uint v = uint(x % (alpha + 1));
            row[x] = uint(alpha) << 24 | v << 16 | (alpha - v) << 8 | v / 2;
        }
    }
    return image;
}

TEST(PngEncoder, EveryKindOfImageDecodesPixelExact) {
    const QImage pattern = test_images::patternImage(333, 257);
    const RoundTrip cases[] = {
        {"one pixel", test_images::patternImage(1, 1), {}},
        {"one row, many threads", test_images::patternImage(1000, 1), {8}},
        {"one column, many bands", test_images::patternImage(1, 1000), {8}},
        {"odd size", pattern, {3}},
        {"single thread", pattern, {1}},
        {"deflate switching inside bands", stripes(), {1}},
        {"every way of deflating inside one band", mixedStripes(), {1}},
        {"every way of deflating, bands on threads", mixedStripes(), {3}},
        {"noise", test_images::noiseImage(517, 301), {4}},
        {"straight alpha", test_images::patternImage(301, 77, QImage::Format_ARGB32), {}},
        {"premultiplied alpha",
         test_images::patternImage(301, 77, QImage::Format_ARGB32_Premultiplied),
         {2}},
        {"every premultiplied value", everyPremultipliedValue(), {}},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray png = encodePng(c.image, c.options);
        ASSERT_TRUE(chunksOf(png)) << "malformed chunks";
        const QImage back = QImage::fromData(png, "PNG");
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.convertToFormat(c.image.format()), c.image);
    }
}

TEST(PngEncoder, ColourTypeFollowsTheAlphaActuallyUsed) {
    struct Case {
        const char* name;
        QImage image;
        int colourType;  // 2: RGB, 6: RGBA
    };
    const Case cases[] = {
        {"RGB32", test_images::patternImage(40, 30), 2},
        {"ARGB32 but opaque",
         test_images::patternImage(40, 30).convertToFormat(QImage::Format_ARGB32), 2},
        {"ARGB32 translucent", test_images::patternImage(40, 30, QImage::Format_ARGB32), 6},
        {"RGB16, converted first",
         test_images::patternImage(40, 30).convertToFormat(QImage::Format_RGB16), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto chunks = chunksOf(encodePng(c.image));
        ASSERT_TRUE(chunks);
        ASSERT_EQ(chunks->front().type, "IHDR");
        EXPECT_EQ(int(uchar(chunks->front().data.at(9))), c.colourType);
    }
}

TEST(PngEncoder, BandsJoinIntoOneValidStreamWhateverTheThreadCount) {
    // The filtered rows do not depend on the banding; the stream's checksum must cover them all.
    const QImage image = test_images::patternImage(640, 480);
    const qsizetype filteredSize = 480 * (1 + 640 * 3);
    QByteArray reference;
    for (const int threads : {1, 2, 3, 7}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        const auto chunks = chunksOf(encodePng(image, {threads}));
        ASSERT_TRUE(chunks);
        const QByteArray raw = inflatedImageData(*chunks, filteredSize);
        ASSERT_EQ(raw.size(), filteredSize) << "bad stream, checksum or length";
        if (reference.isEmpty()) reference = raw;
        EXPECT_TRUE(raw == reference);
    }
}

TEST(PngEncoder, ReadsRowsThroughTheirStride) {
    // Rows with padding after the pixels, filled with garbage that must not show up.
    const QImage image = test_images::patternImage(123, 45);
    const qsizetype stride = 123 * 4 + 36;
    QByteArray padded(stride * 45, '\xAB');
    for (int y = 0; y < 45; ++y)
        memcpy(padded.data() + y * stride, image.constScanLine(y), 123 * 4);
    PngPixels pixels = pixelsOf(image);
    pixels.bits = reinterpret_cast<const uchar*>(padded.constData());
    pixels.bytesPerLine = stride;
    const QImage back = QImage::fromData(encodePng(pixels), "PNG");
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
}

TEST(PngEncoder, KeepsThePhysicalPixelSize) {
    QImage image = test_images::patternImage(20, 10);
    image.setDotsPerMeterX(7559);  // 192 dpi
    image.setDotsPerMeterY(3780);
    const QImage back = QImage::fromData(encodePng(image), "PNG");
    EXPECT_EQ(back.dotsPerMeterX(), 7559);
    EXPECT_EQ(back.dotsPerMeterY(), 3780);
}

TEST(PngEncoder, RefusesWhatItCannotEncode) {
    const QImage image = test_images::patternImage(16, 16);
    const PngPixels good = pixelsOf(image);
    struct Case {
        const char* name;
        PngPixels pixels;
    };
    Case cases[] = {{"no pixels", good},
                    {"zero width", good},
                    {"zero height", good},
                    {"stride shorter than a row", good}};
    cases[0].pixels.bits = nullptr;
    cases[1].pixels.width = 0;
    cases[2].pixels.height = 0;
    cases[3].pixels.bytesPerLine = 16 * 4 - 1;
    for (const Case& c : cases) EXPECT_TRUE(encodePng(c.pixels).isEmpty()) << c.name;
    EXPECT_TRUE(encodePng(QImage()).isEmpty());
    EXPECT_FALSE(pngPixelFormat(QImage::Format_RGB16)) << "16-bit pixels need a conversion";

    const std::atomic<bool> cancelled{true};
    EXPECT_TRUE(encodePng(good, {}, &cancelled).isEmpty());
    EXPECT_FALSE(encodePng(good).isEmpty());
}

}  // namespace
