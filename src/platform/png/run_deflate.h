#pragma once
// Deflate blocks (RFC 1951) of literals and runs of one repeated byte, with Huffman codes made
// for each block: what zlib writes with its Z_HUFFMAN_ONLY and Z_RLE strategies, at several
// times its speed, since it needs no hash chains, no window and no per-symbol bookkeeping. The
// blocks continue a raw deflate stream at any bit position, so they mix with zlib's own blocks
// once zlib has flushed to a byte boundary.

#include <cstddef>
#include <cstdint>
#include <vector>

class DeflateBitWriter;

class RunDeflater {
public:
    RunDeflater();
    ~RunDeflater();
    RunDeflater(const RunDeflater&) = delete;
    RunDeflater& operator=(const RunDeflater&) = delete;

    // Codes `data`, which comes after everything given so far; returns the bytes written at
    // `out`, which has room for `capacity` bytes: at least maxOutput(size). `findRuns`: runs of
    // three or more equal bytes become matches at distance 1 (the first byte may continue
    // `previous`, the stream's byte before `data`, when `hasPrevious`), and their symbols may wait
    // in a block still open for the next call's; without it every byte is a literal, which suits
    // photographs, where runs are rare. Data that no code makes smaller goes into stored blocks.
    std::size_t add(uint8_t* out, std::size_t capacity, const uint8_t* data, std::size_t size,
                    bool findRuns, bool hasPrevious = false, uint8_t previous = 0);
    // Ends the blocks so far on a byte boundary with an empty stored block, as zlib's
    // Z_SYNC_FLUSH does: the stream goes on after it, with blocks of anyone's.
    std::size_t align(uint8_t* out, std::size_t capacity);
    // Ends the stream: the open block becomes the final one, else an empty block is added.
    std::size_t finish(uint8_t* out, std::size_t capacity);
    // The most bytes the next add() of `size` bytes may write; align() and finish() write at
    // most maxOutput(0). It holds for every way the blocks may fall; debug, sanitizer and fuzz
    // builds check every write against the capacity given.
    std::size_t maxOutput(std::size_t size) const;

    // The bits written but not yet a whole byte, carried from one call to the next.
    struct Bits {
        uint64_t bits = 0;
        int count = 0;  // 0 to 7 between calls
    };
    // A block's symbols: how often each occurs, the tokens in order (with runs: a byte, or
    // 256 + a run's length - 3), and how many bytes of data they stand for.
    struct Symbols {
        Symbols();
        void clear();
        std::vector<uint32_t> literalFreq;
        std::vector<uint16_t> tokens;
        std::size_t bytes = 0;
    };

private:
    // Writes the open block, if any; `final` marks it the stream's last.
    void closeOpenBlock(DeflateBitWriter& writer, bool final = false);

    Bits m_bits;
    Symbols m_open;              // runs' and literals' symbols not written yet
    uint8_t m_openPrevious = 0;  // the byte before them
};
