#pragma once
// The PNG container: the signature and header chunks, the deflated bands as IDAT chunks (the
// zlib stream's Adler-32 after the last), and the end.

#include <QByteArray>
#include <vector>

#include "platform/png/png_bands.h"
#include "platform/png/png_pixels.h"
#include "platform/png/png_rows.h"

// The bytes the whole PNG takes around and with these bands.
qsizetype pngSizeOf(const std::vector<PngBand>& bands);
// The signature, IHDR and, where the pixels state a physical size, pHYs.
void appendPngHeader(QByteArray& png, const PngPixels& pixels, PngLayout layout);
// One IDAT chunk per band, the last carrying the stream's Adler-32, then IEND.
void appendPngImageData(QByteArray& png, const std::vector<PngBand>& bands);
