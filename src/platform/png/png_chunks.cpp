#include "platform/png/png_chunks.h"

#include <zlib.h>

#include <cstring>

namespace {

void putBigEndian(uchar* out, quint32 value) {
    out[0] = uchar(value >> 24);
    out[1] = uchar(value >> 16);
    out[2] = uchar(value >> 8);
    out[3] = uchar(value);
}

void appendBigEndian(QByteArray& png, quint32 value) {
    uchar bytes[4];
    putBigEndian(bytes, value);
    png.append(reinterpret_cast<const char*>(bytes), 4);
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
    appendBigEndian(png, quint32(crc));
}

}  // namespace

qsizetype pngSizeOf(const std::vector<PngBand>& bands) {
    qsizetype total = 8 + 25 + 21 + 12;  // signature, IHDR, pHYs, IEND
    for (const PngBand& band : bands) total += 12 + qsizetype(band.size);
    return total + 4;  // the Adler-32
}

void appendPngHeader(QByteArray& png, const PngPixels& pixels, PngLayout layout) {
    png.append("\x89PNG\r\n\x1a\n", 8);
    uchar ihdr[13];
    putBigEndian(ihdr, quint32(pixels.width));
    putBigEndian(ihdr + 4, quint32(pixels.height));
    ihdr[8] = 8;                                 // bits per sample
    ihdr[9] = layout == PngLayout::Rgb ? 2 : 6;  // truecolour, with alpha or without
    ihdr[10] = ihdr[11] = ihdr[12] = 0;          // deflate, adaptive filtering, no interlace
    appendChunk(png, "IHDR", ihdr, sizeof ihdr);
    if (pixels.dotsPerMeterX > 0 && pixels.dotsPerMeterY > 0) {
        uchar phys[9];
        putBigEndian(phys, quint32(pixels.dotsPerMeterX));
        putBigEndian(phys + 4, quint32(pixels.dotsPerMeterY));
        phys[8] = 1;  // metres
        appendChunk(png, "pHYs", phys, sizeof phys);
    }
}

void appendPngImageData(QByteArray& png, const std::vector<PngBand>& bands) {
    uLong adler = 1;
    for (const PngBand& band : bands) {
        adler = adler32_combine(adler, band.adler, z_off_t(band.filteredSize));
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const PngBand& band = bands[i];
        const bool last = i + 1 == bands.size();
        appendBigEndian(png, quint32(band.size + (last ? 4 : 0)));
        png.append("IDAT", 4);
        png.append(reinterpret_cast<const char*>(band.deflated.get()), qsizetype(band.size));
        uLong crc = band.crc;
        if (last) {
            uchar trailer[4];
            putBigEndian(trailer, quint32(adler));
            png.append(reinterpret_cast<const char*>(trailer), 4);
            crc = crc32(crc, trailer, 4);
        }
        appendBigEndian(png, quint32(crc));
    }
    appendChunk(png, "IEND", nullptr, 0);
}
