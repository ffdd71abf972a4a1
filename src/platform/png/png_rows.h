#pragma once
// Image rows as PNG samples, filtered with the Paeth predictor: each filtered row is its filter
// byte (4) and its samples less what the row's left, upper and upper-left samples predict.

#include <QtGlobal>
#include <vector>

#include "platform/png/png_pixels.h"

// How the samples are written: RGB, RGBA, or RGBA from premultiplied pixels.
enum class PngLayout { Rgb, Rgba, RgbaPremultiplied };

// The layout for these pixels: RGB where every pixel is opaque, whatever the format.
PngLayout pngLayoutFor(const PngPixels& pixels);

// Bytes that end a run of at least four equal ones: about what a run coder can replace.
qsizetype runBytes(const uchar* data, qsizetype n);

// Converts and filters rows one after another, keeping the converted row above for the filter.
class RowFilter {
public:
    RowFilter(const PngPixels& pixels, PngLayout layout);

    // A filtered row: its filter byte and its samples.
    qsizetype rowBytes() const { return 1 + m_sampleBytes; }
    // The next row filtered is `y`: the row above it (none for the first) is its predecessor.
    void startAt(int y);
    // Filters row `y`, the one after the last, into `out` (rowBytes() bytes).
    void filterInto(int y, uchar* out);

private:
    const quint32* row(int y) const;

    const PngPixels& m_pixels;
    PngLayout m_layout;
    int m_bpp;
    qsizetype m_sampleBytes;
    std::vector<uchar> m_cur;
    std::vector<uchar> m_prev;
};
