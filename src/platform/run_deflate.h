#pragma once
// Deflate blocks (RFC 1951) of literals and runs of one repeated byte, with Huffman codes made
// for each block: what zlib writes with its Z_HUFFMAN_ONLY and Z_RLE strategies, at several
// times its speed, since it needs no hash chains, no window and no per-symbol bookkeeping. The
// blocks continue a raw deflate stream at any bit position, so they mix with zlib's own blocks
// once zlib has flushed to a byte boundary.

#include <cstddef>
#include <cstdint>

// The bits written but not yet a whole byte, carried from one call to the next.
struct DeflateBits {
    uint64_t bits = 0;
    int count = 0;  // 0 to 7 between calls
};

// The most bytes appendRunDeflate or the two stream ends may write for `size` bytes of input.
std::size_t runDeflateBound(std::size_t size);

// Codes `data` as one or more non-final blocks written at `out`; returns the bytes written.
// `findRuns`: runs of three or more equal bytes become matches at distance 1 (the first byte of
// `data` may continue the one before it, `previous`, when `hasPrevious`); without it every byte
// is a literal, which suits photographs, where runs are rare. Data that no code makes smaller
// goes into stored blocks.
std::size_t appendRunDeflate(uint8_t* out, DeflateBits& state, const uint8_t* data,
                             std::size_t size, bool findRuns, bool hasPrevious = false,
                             uint8_t previous = 0);

// Ends the blocks so far on a byte boundary with an empty stored block, as zlib's Z_SYNC_FLUSH
// does: the stream goes on after it, with blocks of anyone's.
std::size_t alignDeflate(uint8_t* out, DeflateBits& state);
// Ends the stream with an empty final block; returns the bytes written.
std::size_t finishDeflate(uint8_t* out, DeflateBits& state);
