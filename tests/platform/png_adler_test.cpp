// The zlib stream's checksum against zlib's own, over the lengths where the vector loop hands
// over to the plain one and the sums are reduced, from checksums already under way, on bytes
// that push the sums hardest.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "platform/png/png_adler.h"

TEST(PngAdler32, MatchesZlibAtEveryBoundary) {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(70000);
    for (uint8_t& b : noise) b = uint8_t(random());
    const std::vector<uint8_t> full(70000, 0xFF);
    const std::size_t sizes[] = {0, 1, 15, 16, 17, 31, 5535, 5551, 5552, 5553, 5568, 11104, 70000};
    const uint32_t starts[] = {1, 0xFFF0FFF0u, 0x12345678u % 65521u << 16 | 4321u};
    const std::vector<uint8_t>* const inputs[] = {&noise, &full};
    for (const std::vector<uint8_t>* bytes : inputs) {
        for (const std::size_t size : sizes) {
            for (const uint32_t start : starts) {
                for (const std::size_t offset : {std::size_t(0), std::size_t(3)}) {
                    if (offset + size > bytes->size()) continue;
                    const uint8_t* data = bytes->data() + offset;
                    const uLong expected = adler32(start, data, uInt(size));
                    EXPECT_EQ(pngAdler32(start, data, size), expected)
                        << "size " << size << " start " << start << " offset " << offset
                        << (bytes == &full ? " all 0xFF" : " noise");
                }
            }
        }
    }
}
