#include "platform/png/run_deflate.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <queue>
#include <vector>

#include "platform/png/png_simd.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the bit writer stores words as they are");

namespace {

// Each block gets codes of its own: smaller blocks follow the picture's changes more closely
// at the cost of a code table each (about 60 bytes). Literals (a photograph) change their
// statistics within a few rows; runs (flat colour) cover so much in each symbol that a table
// per batch would weigh more than the data.
constexpr std::size_t kLiteralBlockBytes = 64 * 1024;
constexpr std::size_t kRunBlockSymbols = 12 * 1024;
constexpr std::size_t kStoredMax = 65535;
constexpr int kMaxCodeBits = 15;
constexpr int kMaxCodeLengthBits = 7;
constexpr int kEndOfBlock = 256;
constexpr int kLiteralLengthSymbols = 286;
constexpr int kCodeLengthSymbols = 19;
constexpr int kMinRun = 3;
constexpr int kMaxRun = 258;

// A run's token is 256 + its length - 3; a literal's is the byte.
using Token = uint16_t;

struct LengthCode {
    uint16_t symbol;
    uint8_t extraBits;
    uint16_t extraValue;
};

// The length symbol (257-285) and its extra bits for each run length of 3 to 258.
const std::array<LengthCode, kMaxRun + 1>& lengthCodes() {
    static const std::array<LengthCode, kMaxRun + 1> table = [] {
        static constexpr uint16_t kBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr uint8_t kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        std::array<LengthCode, kMaxRun + 1> codes{};
        for (int i = 0; i < 29; ++i) {
            const int end = i + 1 < 29 ? kBase[i + 1] : kMaxRun + 1;
            // 258 has a symbol of its own (285), not the last of 284's range.
            for (int length = kBase[i]; length < end && length <= kMaxRun; ++length) {
                if (i == 27 && length == kMaxRun) break;
                codes[size_t(length)] = {uint16_t(257 + i), kExtra[i], uint16_t(length - kBase[i])};
            }
        }
        return codes;
    }();
    return table;
}

// The extra bits of length symbol `symbol` (257-285).
int lengthExtraBits(int symbol) {
    if (symbol < 265 || symbol == 285) return 0;
    return (symbol - 261) / 4;
}

}  // namespace

class DeflateBitWriter {
public:
    using State = RunDeflater::Bits;

    DeflateBitWriter(uint8_t* out, std::size_t capacity, State& state)
        : m_out(out), m_capacity(capacity), m_bits(state.bits), m_count(state.count) {}

    // Up to 32 bits at a time; `bits` has nothing above `count`.
    void put(uint64_t bits, int count) {
        m_bits |= bits << m_count;
        m_count += count;
        if (m_count >= 32) flushWord();
    }
    // The writer for long loops of symbols: its state in locals of its own, which no store of
    // output bytes can alias, so that they stay in registers; handed back when it goes.
    class Burst {
    public:
        explicit Burst(DeflateBitWriter& writer)
            : m_writer(writer),
              m_written(writer.m_written),
              m_bits(writer.m_bits),
              m_count(writer.m_count) {
            flushBytes();
        }
        ~Burst() {
            m_writer.m_written = m_written;
            m_writer.m_bits = m_bits;
            m_writer.m_count = m_count;
        }
        Burst(const Burst&) = delete;
        Burst& operator=(const Burst&) = delete;

        void putUnchecked(uint64_t bits, int count) {
            m_bits |= bits << m_count;
            m_count += count;
        }
        // Stores every whole byte, leaving at most 7 bits: after it, 57 bits may be put.
        void flushBytes() {
            m_writer.checkRoomAt(m_written, 8);
            std::memcpy(m_writer.m_out + m_written, &m_bits, 8);  // the bound leaves room for it
            m_written += std::size_t(m_count >> 3);
            m_bits >>= (m_count & ~7);
            m_count &= 7;
        }

    private:
        DeflateBitWriter& m_writer;
        std::size_t m_written;
        uint64_t m_bits;
        int m_count;
    };

    // Pads to a byte boundary with zero bits and writes out everything.
    void alignToByte() {
        m_count = (m_count + 7) & ~7;
        while (m_count > 0) {
            checkRoom(1);
            m_out[m_written++] = uint8_t(m_bits);
            m_bits >>= 8;
            m_count -= 8;
        }
        m_count = 0;
    }
    void putBytes(const uint8_t* data, std::size_t size) {
        checkRoom(size);
        std::memcpy(m_out + m_written, data, size);
        m_written += size;
    }
    // Writes out the whole bytes and keeps the rest in `state`; returns the bytes written.
    std::size_t finish(State& state) {
        while (m_count >= 8) {
            checkRoom(1);
            m_out[m_written++] = uint8_t(m_bits);
            m_bits >>= 8;
            m_count -= 8;
        }
        state.bits = m_bits;
        state.count = m_count;
        return m_written;
    }

private:
    void flushWord() {
        checkRoom(8);
        std::memcpy(m_out + m_written, &m_bits, 8);  // the bound leaves room for the whole word
        m_written += 4;
        m_bits >>= 32;
        m_count -= 32;
    }

    // A write past the capacity is a fault of maxOutput: checked where the cost is no matter.
    void checkRoom(std::size_t bytes) const { checkRoomAt(m_written, bytes); }
    void checkRoomAt([[maybe_unused]] std::size_t at, [[maybe_unused]] std::size_t bytes) const {
#ifdef QUILLET_CHECK_BOUNDS
        if (at + bytes > m_capacity) {
            std::fprintf(stderr, "RunDeflater: %zu bytes at %zu pass the capacity of %zu\n", bytes,
                         at, m_capacity);
            std::abort();
        }
#endif
    }

    uint8_t* m_out;
    [[maybe_unused]] std::size_t m_capacity;
    std::size_t m_written = 0;
    uint64_t m_bits;
    int m_count;
};

namespace {

// Optimal code lengths for `weights`, sorted ascending, in place (Moffat and Katajainen's
// in-place algorithm): weights[i] becomes the length of the i-th lightest symbol's code.
void minimumRedundancyLengths(uint32_t* weights, int n) {
    if (n == 1) {
        weights[0] = 1;
        return;
    }
    // Sums of the tree's inner nodes, built left to right over the leaves.
    weights[0] += weights[1];
    int root = 0, leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || weights[root] < weights[leaf]) {
            weights[next] = weights[root];
            weights[root++] = uint32_t(next);
        } else {
            weights[next] = weights[leaf++];
        }
        if (leaf >= n || (root < next && weights[root] < weights[leaf])) {
            weights[next] += weights[root];
            weights[root++] = uint32_t(next);
        } else {
            weights[next] += weights[leaf++];
        }
    }
    // Each inner node's depth from its parent's.
    weights[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next) weights[next] = weights[weights[next]] + 1;
    // The leaves' depths from the number of inner nodes at each depth.
    int available = 1, used = 0, depth = 0, next = n - 1;
    root = n - 2;
    while (available > 0) {
        while (root >= 0 && int(weights[root]) == depth) {
            ++used;
            --root;
        }
        while (available > used) {
            weights[next--] = uint32_t(depth);
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

// Huffman code lengths for `freq` no longer than `maxBits`. Symbols that never occur get none;
// at least two symbols must occur, so that the code is complete, as inflaters require. Where
// the lengths would exceed the limit, the counts are flattened until they do not.
void buildLengths(const std::vector<uint32_t>& counts, int maxBits, uint8_t* lengths) {
    const int n = int(counts.size());
    std::vector<uint32_t> freq = counts;
    // Count and symbol in one key: sorted as plain numbers, lightest first, ties by symbol.
    std::array<uint64_t, kLiteralLengthSymbols> keys{};
    std::array<uint32_t, kLiteralLengthSymbols> weights{};
    for (;;) {
        int used = 0;
        for (int s = 0; s < n; ++s) {
            if (freq[size_t(s)] > 0)
                keys[size_t(used++)] = uint64_t(freq[size_t(s)]) << 16 | uint64_t(s);
        }
        std::sort(keys.begin(), keys.begin() + used);
        for (int i = 0; i < used; ++i) weights[size_t(i)] = uint32_t(keys[size_t(i)] >> 16);
        minimumRedundancyLengths(weights.data(), used);
        // The lightest symbol has the longest code.
        if (used == 0 || int(weights[0]) <= maxBits) {
            std::fill(lengths, lengths + n, uint8_t(0));
            for (int i = 0; i < used; ++i) {
                lengths[keys[size_t(i)] & 0xFFFFu] = uint8_t(weights[size_t(i)]);
            }
            return;
        }
        for (uint32_t& f : freq) {
            if (f > 0) f = (f >> 1) | 1;
        }
    }
}

uint16_t reverseBits16(uint16_t v) {
    v = uint16_t((v & 0x5555u) << 1 | (v >> 1 & 0x5555u));
    v = uint16_t((v & 0x3333u) << 2 | (v >> 2 & 0x3333u));
    v = uint16_t((v & 0x0F0Fu) << 4 | (v >> 4 & 0x0F0Fu));
    return uint16_t(v << 8 | v >> 8);
}

// Canonical codes for `lengths` (RFC 1951, 3.2.2), bit-reversed for a writer that sends the
// lowest bit first.
void buildCodes(const uint8_t* lengths, int n, uint16_t* codes) {
    std::array<int, kMaxCodeBits + 1> count{};
    for (int s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    std::array<int, kMaxCodeBits + 2> next{};
    int code = 0;
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = (code + count[size_t(bits - 1)]) << 1;
        next[size_t(bits)] = code;
    }
    for (int s = 0; s < n; ++s) {
        const int length = lengths[s];
        if (length == 0) continue;
        const uint32_t c = uint32_t(next[size_t(length)]++);
        codes[s] = uint16_t(reverseBits16(uint16_t(c)) >> (16 - length));
    }
}

// The length of the run of `value` from `data`, at most `limit`.
std::size_t runOf(const uint8_t* data, std::size_t limit, uint8_t value) {
    const uint64_t pattern = 0x0101010101010101ull * value;
    std::size_t n = 0;
    while (n + 8 <= limit) {
        uint64_t word;
        std::memcpy(&word, data + n, 8);
        const uint64_t differs = word ^ pattern;
        if (differs != 0) return n + std::size_t(__builtin_ctzll(differs) / 8);
        n += 8;
    }
    while (n < limit && data[n] == value) ++n;
    return n;
}

void countLiterals(const uint8_t* data, std::size_t size, RunDeflater::Symbols& symbols) {
    // Four tables: consecutive equal bytes would otherwise wait on each other's increment.
    std::array<std::array<uint32_t, 256>, 4> counts{};
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        ++counts[0][data[i]];
        ++counts[1][data[i + 1]];
        ++counts[2][data[i + 2]];
        ++counts[3][data[i + 3]];
    }
    for (; i < size; ++i) ++counts[0][data[i]];
    for (int b = 0; b < 256; ++b) {
        symbols.literalFreq[size_t(b)] = counts[0][size_t(b)] + counts[1][size_t(b)] +
                                         counts[2][size_t(b)] + counts[3][size_t(b)];
    }
}

#ifdef QUILLET_PNG_SSE2
// Where in the 16 bytes from `at` a run of three or more may start (bit k: data[at + k] and the
// two after it equal data[at + k - 1]); reads data[at - 1] to data[at + 17].
inline uint32_t runStarts(const uint8_t* data, std::size_t at) {
    const auto load = [&](std::size_t from) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    };
    const uint32_t low = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(load(at), load(at - 1))));
    const uint32_t high = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(load(at + 2), load(at + 1))));
    const uint32_t equal = low | high << 2;  // positions at to at + 17
    return equal & equal >> 1 & equal >> 2 & 0xFFFFu;
}

// 16 bytes from `data` as literal tokens.
inline void putLiterals16(const uint8_t* data, Token* token) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(token), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(token + 8), _mm_unpackhi_epi8(bytes, zero));
}
#endif

// Appends the tokens of `data` to those of the open block, up to `room` tokens; returns the
// bytes they cover.
std::size_t tokenizeRuns(const uint8_t* data, std::size_t size, bool hasPrevious, uint8_t previous,
                         RunDeflater::Symbols& symbols, std::size_t room) {
    const auto& lengths = lengthCodes();
    const std::size_t start = symbols.tokens.size();
    symbols.tokens.resize(start + std::min(size, room));
    Token* token = symbols.tokens.data() + start;
    uint32_t* freq = symbols.literalFreq.data();
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < size && count < room) {
#ifdef QUILLET_PNG_SSE2
        // Stretches without a run go 16 literals at a time.
        if (i > 0 && i + 18 <= size && count + 16 <= room) {
            const uint32_t starts = runStarts(data, i);
            const int literals = starts == 0 ? 16 : __builtin_ctz(starts);
            if (literals > 0) {
                if (literals == 16) {
                    putLiterals16(data + i, token + count);
                } else {
                    for (int k = 0; k < literals; ++k)
                        token[count + size_t(k)] = data[i + size_t(k)];
                }
                for (int k = 0; k < literals; ++k) ++freq[data[i + size_t(k)]];
                count += size_t(literals);
                i += size_t(literals);
                previous = data[i - 1];
                hasPrevious = true;
                continue;
            }
        }
#endif
        const uint8_t b = data[i];
        if (hasPrevious && b == previous) {
            const std::size_t run = runOf(data + i, std::min<std::size_t>(kMaxRun, size - i), b);
            if (run >= kMinRun) {
                token[count++] = Token(256 + run - kMinRun);
                ++freq[lengths[run].symbol];
                i += run;
                continue;
            }
        }
        token[count++] = b;
        ++freq[b];
        previous = b;
        hasPrevious = true;
        ++i;
    }
    symbols.tokens.resize(start + count);
    symbols.bytes += i;
    return i;
}

// The bytes the tokens stand for (`previous` the byte before them).
std::vector<uint8_t> expandTokens(const std::vector<Token>& tokens, uint8_t previous) {
    std::vector<uint8_t> bytes;
    for (const Token token : tokens) {
        if (token < 256) {
            previous = uint8_t(token);
            bytes.push_back(previous);
        } else {
            bytes.insert(bytes.end(), std::size_t(token - 256 + kMinRun), previous);
        }
    }
    return bytes;
}

// The code length sequence of a block's header in the code-length alphabet's symbols 0-18,
// each with its extra bits: (symbol, extra value).
std::vector<std::pair<uint8_t, uint8_t>> codeLengthTokens(const uint8_t* sequence, int size) {
    std::vector<std::pair<uint8_t, uint8_t>> out;
    int i = 0;
    while (i < size) {
        const uint8_t value = sequence[i];
        int run = 1;
        while (i + run < size && sequence[i + run] == value) ++run;
        i += run;
        if (value == 0) {
            while (run >= 11) {
                const int r = std::min(run, 138);
                out.emplace_back(18, uint8_t(r - 11));
                run -= r;
            }
            if (run >= 3) {
                out.emplace_back(17, uint8_t(run - 3));
                run = 0;
            }
            for (; run > 0; --run) out.emplace_back(0, 0);
        } else {
            out.emplace_back(value, 0);
            --run;
            while (run >= 3) {
                const int r = std::min(run, 6);
                out.emplace_back(16, uint8_t(r - 3));
                run -= r;
            }
            for (; run > 0; --run) out.emplace_back(value, 0);
        }
    }
    return out;
}

constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr uint8_t kCodeLengthExtraBits[kCodeLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              0, 0, 0, 0, 0, 0, 2, 3, 7};

// A dynamic block's header: the codes' lengths, themselves Huffman coded.
struct BlockHeader {
    int literalCount = 257;
    std::array<uint8_t, kCodeLengthSymbols> codeLengthLengths{};
    std::array<uint16_t, kCodeLengthSymbols> codeLengthCodes{};
    int codeLengthCount = 4;
    std::vector<std::pair<uint8_t, uint8_t>> tokens;

    std::size_t bits() const {
        std::size_t total = 3 + 5 + 5 + 4 + 3 * std::size_t(codeLengthCount);
        for (const auto& [symbol, extra] : tokens) {
            total += codeLengthLengths[symbol] + kCodeLengthExtraBits[symbol];
        }
        return total;
    }
};

// Distance codes: 0 (distance 1, the only one used) and 1, one bit each, which makes the code
// complete whether or not a run occurs.
constexpr int kDistanceCount = 2;

BlockHeader makeHeader(const uint8_t* literalLengths) {
    BlockHeader header;
    header.literalCount = kLiteralLengthSymbols;
    while (header.literalCount > 257 && literalLengths[header.literalCount - 1] == 0) {
        --header.literalCount;
    }
    std::vector<uint8_t> sequence(literalLengths, literalLengths + header.literalCount);
    sequence.push_back(1);
    sequence.push_back(1);
    header.tokens = codeLengthTokens(sequence.data(), int(sequence.size()));
    std::vector<uint32_t> freq(kCodeLengthSymbols, 0);
    for (const auto& token : header.tokens) ++freq[token.first];
    if (std::count_if(freq.begin(), freq.end(), [](uint32_t f) { return f > 0; }) < 2) {
        ++freq[freq[0] == 0 ? 0 : 1];  // a code of one symbol is not complete
    }
    buildLengths(freq, kMaxCodeLengthBits, header.codeLengthLengths.data());
    buildCodes(header.codeLengthLengths.data(), kCodeLengthSymbols, header.codeLengthCodes.data());
    header.codeLengthCount = kCodeLengthSymbols;
    while (header.codeLengthCount > 4 &&
           header.codeLengthLengths[kCodeLengthOrder[header.codeLengthCount - 1]] == 0) {
        --header.codeLengthCount;
    }
    return header;
}

void writeHeader(DeflateBitWriter& writer, const BlockHeader& header, bool final) {
    writer.put(0b100 | (final ? 1 : 0), 3);  // dynamic codes (BTYPE 2)
    writer.put(uint64_t(header.literalCount - 257), 5);
    writer.put(kDistanceCount - 1, 5);
    writer.put(uint64_t(header.codeLengthCount - 4), 4);
    for (int i = 0; i < header.codeLengthCount; ++i) {
        writer.put(header.codeLengthLengths[kCodeLengthOrder[i]], 3);
    }
    for (const auto& [symbol, extra] : header.tokens) {
        writer.put(header.codeLengthCodes[symbol], header.codeLengthLengths[symbol]);
        if (kCodeLengthExtraBits[symbol] > 0) writer.put(extra, kCodeLengthExtraBits[symbol]);
    }
}

void writeStored(DeflateBitWriter& writer, const uint8_t* data, std::size_t size, bool final) {
    while (size > 0) {
        const std::size_t piece = std::min(size, kStoredMax);
        writer.put(final && piece == size ? 1 : 0, 3);  // stored (BTYPE 0)
        writer.alignToByte();
        const uint8_t lengths[4] = {uint8_t(piece), uint8_t(piece >> 8), uint8_t(~piece),
                                    uint8_t(~piece >> 8)};
        writer.putBytes(lengths, 4);
        writer.putBytes(data, piece);
        data += piece;
        size -= piece;
    }
}

std::size_t storedSize(std::size_t size) {
    return size + 5 * ((size + kStoredMax - 1) / kStoredMax);
}

// The bytes as literals, with the block's codes.
void writeLiterals(DeflateBitWriter& writer, const uint8_t* data, std::size_t size,
                   const uint16_t* codes, const uint8_t* lengths) {
    std::size_t i = 0;
    {
        DeflateBitWriter::Burst burst(writer);
        for (; i + 3 <= size; i += 3) {  // three codes of at most 15 bits each fit after a flush
            burst.putUnchecked(codes[data[i]], lengths[data[i]]);
            burst.putUnchecked(codes[data[i + 1]], lengths[data[i + 1]]);
            burst.putUnchecked(codes[data[i + 2]], lengths[data[i + 2]]);
            burst.flushBytes();
        }
    }
    for (; i < size; ++i) writer.put(codes[data[i]], lengths[data[i]]);
}

// The literals and runs, with the block's codes.
void writeTokens(DeflateBitWriter& writer, const std::vector<Token>& tokens, const uint16_t* codes,
                 const uint8_t* lengths) {
    // Every token's bits, prepared once: a literal's code, or a run's length code with its extra
    // bits and distance code 0 (one zero bit), 21 bits at most.
    const auto& lengthTable = lengthCodes();
    std::array<uint32_t, 256 + kMaxRun - kMinRun + 1> tokenBits{};
    std::array<uint8_t, 256 + kMaxRun - kMinRun + 1> tokenCount{};
    for (int b = 0; b < 256; ++b) {
        tokenBits[size_t(b)] = codes[b];
        tokenCount[size_t(b)] = lengths[b];
    }
    for (int length = kMinRun; length <= kMaxRun; ++length) {
        const LengthCode& code = lengthTable[size_t(length)];
        if (lengths[code.symbol] == 0) continue;
        const auto t = size_t(256 + length - kMinRun);
        tokenBits[t] =
            uint32_t(codes[code.symbol]) | (uint32_t(code.extraValue) << lengths[code.symbol]);
        tokenCount[t] = uint8_t(lengths[code.symbol] + code.extraBits + 1);
    }
    const std::size_t n = tokens.size();
    std::size_t i = 0;
    {
        DeflateBitWriter::Burst burst(writer);
        for (; i + 2 <= n; i += 2) {  // two tokens of at most 21 bits each fit after a flush
            burst.putUnchecked(tokenBits[tokens[i]], tokenCount[tokens[i]]);
            burst.putUnchecked(tokenBits[tokens[i + 1]], tokenCount[tokens[i + 1]]);
            burst.flushBytes();
        }
    }
    for (; i < n; ++i) writer.put(tokenBits[tokens[i]], tokenCount[tokens[i]]);
}

// Writes the symbols as one block with codes made for them, or stored when that is smaller:
// the literals `data` (without runs), or the tokens (runs; `previous` the byte before them).
void writeBlock(DeflateBitWriter& writer, RunDeflater::Symbols& symbols, const uint8_t* data,
                uint8_t previous, bool final = false) {
    const bool runs = data == nullptr;
    symbols.literalFreq[kEndOfBlock] = 1;
    std::array<uint8_t, kLiteralLengthSymbols> lengths{};
    buildLengths(symbols.literalFreq, kMaxCodeBits, lengths.data());
    std::array<uint16_t, kLiteralLengthSymbols> codes{};
    buildCodes(lengths.data(), kLiteralLengthSymbols, codes.data());
    const BlockHeader header = makeHeader(lengths.data());

    std::size_t bits = header.bits();
    for (int s = 0; s < kLiteralLengthSymbols; ++s) {
        bits += std::size_t(symbols.literalFreq[size_t(s)]) * lengths[size_t(s)];
    }
    // A run's extra bits (as many for every length of a symbol) and its distance bit.
    for (int s = 257; s < kLiteralLengthSymbols; ++s) {
        bits += std::size_t(symbols.literalFreq[size_t(s)]) * (lengthExtraBits(s) + 1u);
    }
    if (bits / 8 >= storedSize(symbols.bytes)) {
        if (runs) {
            const std::vector<uint8_t> bytes = expandTokens(symbols.tokens, previous);
            writeStored(writer, bytes.data(), bytes.size(), final);
        } else {
            writeStored(writer, data, symbols.bytes, final);
        }
        return;
    }

    writeHeader(writer, header, final);
    if (runs) {
        writeTokens(writer, symbols.tokens, codes.data(), lengths.data());
    } else {
        writeLiterals(writer, data, symbols.bytes, codes.data(), lengths.data());
    }
    writer.put(codes[kEndOfBlock], lengths[kEndOfBlock]);
}

}  // namespace

RunDeflater::Symbols::Symbols() : literalFreq(kLiteralLengthSymbols, 0) {}

void RunDeflater::Symbols::clear() {
    std::fill(literalFreq.begin(), literalFreq.end(), 0u);
    tokens.clear();
    bytes = 0;
}

RunDeflater::RunDeflater() = default;
RunDeflater::~RunDeflater() = default;

std::size_t RunDeflater::maxOutput(std::size_t size) const {
    // Every block may go out stored (a coded block is written only when smaller): its bytes,
    // five more for each 65,535 of them, and one for the bits before its header. A run block
    // closes after kRunBlockSymbols symbols, each standing for one byte or more; literal blocks
    // hold up to kLiteralBlockBytes, after the open block is closed. Three blocks more: the
    // open one, a literal block's remainder, and the empty one of align(). Then the writer's
    // whole-word store past the end.
    const std::size_t total = m_open.bytes + size;
    const std::size_t blocks = total / kRunBlockSymbols + total / kLiteralBlockBytes + 3;
    return total + 5 * (total / kStoredMax) + 6 * blocks + 16;
}

std::size_t RunDeflater::add(uint8_t* out, std::size_t capacity, const uint8_t* data,
                             std::size_t size, bool findRuns, bool hasPrevious, uint8_t previous) {
    DeflateBitWriter writer(out, capacity, m_bits);
    if (findRuns) {
        for (std::size_t at = 0; at < size;) {
            if (at > 0) {
                hasPrevious = true;
                previous = data[at - 1];
            }
            if (m_open.tokens.empty()) m_openPrevious = previous;
            at += tokenizeRuns(data + at, size - at, hasPrevious, previous, m_open,
                               kRunBlockSymbols - m_open.tokens.size());
            if (m_open.tokens.size() >= kRunBlockSymbols) closeOpenBlock(writer);
        }
        return writer.finish(m_bits);
    }
    closeOpenBlock(writer);
    Symbols literals;
    for (std::size_t at = 0; at < size; at += kLiteralBlockBytes) {
        literals.clear();
        literals.bytes = std::min(kLiteralBlockBytes, size - at);
        countLiterals(data + at, literals.bytes, literals);
        writeBlock(writer, literals, data + at, 0);
    }
    return writer.finish(m_bits);
}

void RunDeflater::closeOpenBlock(DeflateBitWriter& writer, bool final) {
    if (m_open.bytes == 0) return;
    writeBlock(writer, m_open, nullptr, m_openPrevious, final);
    m_open.clear();
}

std::size_t RunDeflater::align(uint8_t* out, std::size_t capacity) {
    DeflateBitWriter writer(out, capacity, m_bits);
    closeOpenBlock(writer);
    writer.put(0b000, 3);  // not final, stored, empty
    writer.alignToByte();
    const uint8_t empty[4] = {0x00, 0x00, 0xFF, 0xFF};
    writer.putBytes(empty, 4);
    return writer.finish(m_bits);
}

std::size_t RunDeflater::finish(uint8_t* out, std::size_t capacity) {
    DeflateBitWriter writer(out, capacity, m_bits);
    if (m_open.bytes > 0) {
        closeOpenBlock(writer, true);
    } else {
        writer.put(0b011, 3);  // final, fixed codes; then the end of block, seven zero bits
        writer.put(0, 7);
    }
    writer.alignToByte();
    return writer.finish(m_bits);
}
