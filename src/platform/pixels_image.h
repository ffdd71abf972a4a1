#pragma once
// Between the toolkit's images and Pixels, without copying where the layout allows.

#include <QImage>

#include "platform/pixels.h"

// An image over the same memory, keeping it alive; null for null pixels.
QImage imageOf(const Pixels& pixels);

// Pixels over the image's memory, holding a shallow copy of it; an image in a format other than
// RGB32, ARGB32 or ARGB32_Premultiplied is converted first.
Pixels pixelsOf(const QImage& image);
