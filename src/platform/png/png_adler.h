#pragma once
// Adler-32 (RFC 1950), the zlib stream's checksum of the filtered rows, continued from `adler`:
// what zlib's adler32() gives, 16 bytes a step where the processor allows.

#include <cstddef>
#include <cstdint>

uint32_t pngAdler32(uint32_t adler, const uint8_t* data, std::size_t size);
