#include "annotate/mosaic.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

template <typename T>
T* rowAt(T* base, std::ptrdiff_t bytesPerLine, int row) {
    using Byte = std::conditional_t<std::is_const_v<T>, const char, char>;
    return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + bytesPerLine * row);
}

}  // namespace

void pixelateMosaic(const uint32_t* source, std::ptrdiff_t sourceBytesPerLine, uint32_t* target,
                    std::ptrdiff_t targetBytesPerLine, int width, int height, int blockSize,
                    int keptEdge) {
    if (width <= 0 || height <= 0 || blockSize <= 0) return;
    keptEdge = std::clamp(keptEdge, 0, std::min(width, height));
    const int columns = width - keptEdge;  // visited columns: 0 .. columns - 1
    const int rows = height - keptEdge;
    const size_t rowBytes = static_cast<size_t>(columns) * sizeof(uint32_t);
    const size_t edgeBytes = static_cast<size_t>(keptEdge) * sizeof(uint32_t);
    for (int i = 0; i < height; ++i) {
        const uint32_t* in = rowAt(source, sourceBytesPerLine, i);
        uint32_t* out = rowAt(target, targetBytesPerLine, i);
        if (i >= rows) {
            if (in != out) std::memcpy(out, in, static_cast<size_t>(width) * sizeof(uint32_t));
            continue;
        }
        if (i % blockSize != 0) {
            // The row above is already done: within a block every row repeats it.
            std::memcpy(out, rowAt(target, targetBytesPerLine, i - 1), rowBytes);
        } else {
            for (int m = 0; m < columns; m += blockSize) {
                const uint32_t held = in[m];
                std::fill(out + m, out + std::min(m + blockSize, columns), held);
            }
        }
        if (in != out && keptEdge > 0) std::memcpy(out + columns, in + columns, edgeBytes);
    }
}
