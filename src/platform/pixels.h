#pragma once
// A picture of the screen in memory, for code that runs without the widget toolkit: rows of
// 32-bit pixels laid out as QImage's RGB32, ARGB32 or ARGB32_Premultiplied (only the format
// enumeration is taken from QImage's header, no code). Copies share the memory, which lives as
// long as one of them does; whoever made the pixels may still write them before sharing.

#include <QImage>
#include <QtGlobal>
#include <memory>

#include "platform/png_image.h"

class Pixels {
public:
    static constexpr int kDefaultDotsPerMeter = 3937;

    Pixels() = default;
    // Wraps memory that stays valid as long as `keeper` is held.
    Pixels(uchar* bits, int width, int height, qsizetype bytesPerLine, QImage::Format format,
           std::shared_ptr<const void> keeper);
    // New memory, every byte zero (transparent in the formats with alpha); null when there is
    // no memory for it or the size is not a picture's.
    static Pixels allocate(int width, int height, QImage::Format format);

    bool isNull() const { return m_bits == nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    qsizetype bytesPerLine() const { return m_bytesPerLine; }
    qsizetype sizeInBytes() const { return m_bytesPerLine * m_height; }
    QImage::Format format() const { return m_format; }
    bool hasAlphaChannel() const { return m_format != QImage::Format_RGB32; }
    const uchar* constBits() const { return m_bits; }
    const uchar* constScanLine(int y) const { return m_bits + y * m_bytesPerLine; }
    // Only for the maker of the pixels, before anyone else holds them.
    uchar* scanLine(int y) { return m_bits + y * m_bytesPerLine; }

    double devicePixelRatio() const { return m_devicePixelRatio; }
    void setDevicePixelRatio(double ratio) { m_devicePixelRatio = ratio; }

    // The physical size the PNG states; by default what the toolkit states for an image where
    // no screen tells (100 dots per inch).
    int dotsPerMeterX() const { return m_dotsPerMeterX; }
    int dotsPerMeterY() const { return m_dotsPerMeterY; }
    void setDotsPerMeter(int x, int y) {
        m_dotsPerMeterX = x;
        m_dotsPerMeterY = y;
    }

    // The pixels in `x, y, width, height`: the same memory when that is the whole picture,
    // else a copy in which whatever lies outside the picture is transparent (ARGB32
    // premultiplied) or, with `outside` opaque, black (RGB32). Null when memory runs out.
    enum class Outside { Transparent, Black };
    Pixels region(int x, int y, int width, int height,
                  Outside outside = Outside::Transparent) const;

    // What the PNG encoder reads.
    PngPixels forEncoder() const;

private:
    uchar* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    qsizetype m_bytesPerLine = 0;
    QImage::Format m_format = QImage::Format_Invalid;
    double m_devicePixelRatio = 1.0;
    int m_dotsPerMeterX = kDefaultDotsPerMeter;
    int m_dotsPerMeterY = kDefaultDotsPerMeter;
    std::shared_ptr<const void> m_keeper;
};

// Sets each pixel's top byte to 0xFF. A screen's pixels leave that padding byte as they like
// (Xvfb: 0; compositors: their alpha), but Format_RGB32 promises 0xFF there.
void makeOpaque(uint32_t* pixels, std::size_t count);

// Encodes the picture as a PNG (see encodePng(PngPixels)).
QByteArray encodePng(const Pixels& pixels, const PngOptions& options = {});
