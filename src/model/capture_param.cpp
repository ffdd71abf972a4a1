#include "model/capture_param.h"

Color int2NSColor(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    return Color{static_cast<double>(v & 0xFF) / 255.0,
                 static_cast<double>((v >> 8) & 0xFF) / 255.0,
                 static_cast<double>((v >> 16) & 0xFF) / 255.0, 1.0};
}
