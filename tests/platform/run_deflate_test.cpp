// Our own deflate blocks: zlib's inflater reads back every kind of data exactly, from any bit
// position the stream was left at, and within the promised bound.
#include "platform/png/run_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Inflates a raw deflate stream; nullopt-like empty result with `ok` false on any error.
Bytes inflateRaw(const Bytes& stream, std::size_t expected, bool* ok) {
    z_stream zs{};
    *ok = inflateInit2(&zs, -MAX_WBITS) == Z_OK;
    Bytes out(expected + 1);  // one spare byte shows any excess
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in = uInt(stream.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    *ok = *ok && inflate(&zs, Z_FINISH) == Z_STREAM_END && zs.avail_in == 0;
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return out;
}

enum class Coding { Literals, Runs, Alternating };

// `data` coded in pieces cut at `cuts` (each call continues where the last left its bits, and
// with runs, its open block), then ended; every call writes into a buffer of exactly the size
// maxOutput promised.
Bytes deflatePieces(const Bytes& data, const std::vector<std::size_t>& cuts, Coding coding,
                    bool* withinBound) {
    Bytes stream;
    RunDeflater deflater;
    *withinBound = true;
    const auto append = [&](const Bytes& out, std::size_t written) {
        *withinBound = *withinBound && written <= out.size();
        stream.insert(stream.end(), out.begin(),
                      out.begin() + std::ptrdiff_t(std::min(written, out.size())));
    };
    std::size_t at = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(data.size());
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const std::size_t size = ends[i] - at;
        const bool runs = coding == Coding::Runs || (coding == Coding::Alternating && i % 2 == 0);
        Bytes out(deflater.maxOutput(size));
        append(out, deflater.add(out.data(), out.size(), data.data() + at, size, runs, at > 0,
                                 at > 0 ? data[at - 1] : 0));
        at = ends[i];
    }
    Bytes tail(deflater.maxOutput(0));
    append(tail, deflater.finish(tail.data(), tail.size()));
    return stream;
}

Bytes noise(std::size_t size) {
    std::mt19937 random(7);
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

// Small steps around zero, as filtered rows of a photograph give.
Bytes photoLike(std::size_t size) {
    std::mt19937 random(11);
    std::geometric_distribution<int> step(0.45);
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = uint8_t(random() % 2 ? step(random) : -step(random));
    return bytes;
}

// Counts that grow like Fibonacci numbers: an unrestricted Huffman code would need more than
// 15 bits for the rarest symbols. Shuffled, so that no runs form.
Bytes skewed() {
    Bytes bytes;
    uint64_t a = 1, b = 1;
    for (int symbol = 0; symbol < 24; ++symbol) {
        bytes.insert(bytes.end(), std::size_t(a), uint8_t(symbol * 9));
        const uint64_t next = a + b;
        a = b;
        b = next;
    }
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(3));
    return bytes;
}

// Runs of every length around the limits of one match (3 and 258) between single bytes.
Bytes runsOfEveryLength() {
    Bytes bytes;
    for (const int length : {1, 2, 3, 4, 257, 258, 259, 260, 516, 517, 1000}) {
        bytes.push_back(uint8_t(length));
        bytes.insert(bytes.end(), std::size_t(length), 0xAB);
    }
    return bytes;
}

std::vector<std::size_t> cutsEvery(std::size_t step, std::size_t size) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = step; at < size; at += step) cuts.push_back(at);
    return cuts;
}

TEST(RunDeflate, EveryKindOfDataInflatesExactly) {
    struct Case {
        const char* name;
        Bytes data;
        std::vector<std::size_t> cuts;  // where one call ends and the next continues
        // The most bytes the coding may take with runs and with literals alone (0: any).
        std::size_t mostWithRuns;
        std::size_t mostAsLiterals;
    };
    const Case cases[] = {
        {"nothing", {}, {}, 16, 16},
        {"one byte", {42}, {}, 0, 0},
        {"one value across several blocks", Bytes(400000, 7), {}, 2000, 400000 / 8 + 2000},
        {"a run continuing the piece before", Bytes(1000, 'a'), {1, 500, 503}, 200, 400},
        {"runs at the match limits", runsOfEveryLength(), {5}, 0, 0},
        {"counts beyond fifteen-bit codes", skewed(), {}, 0, 0},
        {"noise, stored", noise(200000), {}, 200000 + 200, 200000 + 200},
        {"photograph-like", photoLike(300000), {12345, 131072 + 12345}, 210000, 210000},
        {"pieces of one byte", photoLike(9), {1, 2, 3, 4, 5, 6, 7, 8}, 0, 0},
        // With runs, a hundred calls make one block, not a hundred code tables.
        {"runs over many calls", Bytes(100000, 9), cutsEvery(1000, 100000), 200, 0},
    };
    for (const Case& c : cases) {
        for (const Coding coding : {Coding::Literals, Coding::Runs, Coding::Alternating}) {
            SCOPED_TRACE(testing::Message() << c.name << ", coding " << int(coding));
            bool withinBound = false;
            const Bytes stream = deflatePieces(c.data, c.cuts, coding, &withinBound);
            EXPECT_TRUE(withinBound);
            bool ok = false;
            EXPECT_EQ(inflateRaw(stream, c.data.size(), &ok), c.data);
            EXPECT_TRUE(ok) << "the inflater refused the stream";
            const std::size_t most = coding == Coding::Runs       ? c.mostWithRuns
                                     : coding == Coding::Literals ? c.mostAsLiterals
                                                                  : 0;
            if (most > 0) {
                EXPECT_LE(stream.size(), most);
            }
        }
    }
}

// Our blocks between zlib's: zlib flushes to a byte boundary, ours end with an empty stored
// block, and zlib goes on with the data before as its dictionary.
TEST(RunDeflate, BlocksInterleaveWithZlibsOwn) {
    const Bytes text = [] {
        Bytes t;
        const char line[] = "the quick brown fox jumps over the lazy dog 0123456789\n";
        for (int i = 0; i < 3000; ++i) t.insert(t.end(), line, line + sizeof line - 1);
        return t;
    }();
    const Bytes photo = photoLike(100000);
    z_stream zs{};
    ASSERT_EQ(deflateInit2(&zs, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes stream;
    const auto zlibTakes = [&](const Bytes& data, int flush) {
        Bytes out(deflateBound(&zs, uLong(data.size())) + 64);
        zs.next_in = const_cast<Bytef*>(data.data());
        zs.avail_in = uInt(data.size());
        zs.next_out = out.data();
        zs.avail_out = uInt(out.size());
        ASSERT_NE(deflate(&zs, flush), Z_STREAM_ERROR);
        ASSERT_EQ(zs.avail_in, 0u);
        stream.insert(stream.end(), out.data(), zs.next_out);
    };
    RunDeflater ours;
    const auto oursTake = [&](const Bytes& data, bool runs) {
        Bytes out(ours.maxOutput(data.size()) + ours.maxOutput(0));
        std::size_t n = ours.add(out.data(), out.size(), data.data(), data.size(), runs);
        n += ours.align(out.data() + n, out.size() - n);
        stream.insert(stream.end(), out.begin(), out.begin() + std::ptrdiff_t(n));
        const std::size_t window = std::min<std::size_t>(data.size(), 32768);
        ASSERT_EQ(deflateSetDictionary(&zs, data.data() + data.size() - window, uInt(window)),
                  Z_OK);
    };
    zlibTakes(text, Z_SYNC_FLUSH);
    oursTake(photo, false);
    zlibTakes(text, Z_SYNC_FLUSH);  // finds the text again only before our blocks
    oursTake(Bytes(5000, 0), true);
    zlibTakes(text, Z_FINISH);
    deflateEnd(&zs);

    Bytes expected = text;
    expected.insert(expected.end(), photo.begin(), photo.end());
    expected.insert(expected.end(), text.begin(), text.end());
    expected.insert(expected.end(), 5000, 0);
    expected.insert(expected.end(), text.begin(), text.end());
    bool ok = false;
    EXPECT_EQ(inflateRaw(stream, expected.size(), &ok), expected);
    EXPECT_TRUE(ok);
}

}  // namespace

// The worst cases of the bound: every call writes inside what maxOutput promised for it,
// however the blocks fall (run blocks end after a fixed number of symbols, and each may go out
// stored), and writes nothing past it. Bytes past the bound are watched in each call's buffer.
TEST(RunDeflate, NoCallWritesPastItsBound) {
    constexpr std::size_t kGuard = 64;
    struct Piece {
        std::size_t size;
        bool runs;
    };
    struct Case {
        const char* name;
        Bytes data;
        std::vector<Piece> pieces;  // consecutive calls; the last one takes the rest
    };
    // Runs of the longest match with one byte between: a run block's most bytes.
    Bytes longRuns;
    for (int i = 0; i < 13000; ++i) {
        longRuns.push_back(uint8_t(i));
        longRuns.insert(longRuns.end(), 258, uint8_t(i));
    }
    const Case cases[] = {
        {"one byte with runs", {42}, {{1, true}}},
        {"one byte as a literal", {42}, {{1, false}}},
        {"noise with runs, ten run blocks", noise(122880), {{122880, true}}},
        {"noise with runs, a hundred run blocks", noise(1228800), {{1228800, true}}},
        {"noise as literals, every block stored", noise(3 * 65536 + 1), {{3 * 65536 + 1, false}}},
        {"noise with runs in small pieces, then literals",
         noise(300000),
         {{12287, true}, {1, true}, {5000, true}, {7, false}, {20000, true}, {255713, false}}},
        {"the longest runs, most bytes per block", longRuns, {{longRuns.size(), true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunDeflater deflater;
        Bytes stream;
        const auto call = [&](std::size_t bound, const auto& code) {
            Bytes out(bound + kGuard, 0xEE);
            const std::size_t written = code(out.data(), bound);
            EXPECT_LE(written, bound);
            EXPECT_TRUE(std::all_of(out.begin() + std::ptrdiff_t(bound), out.end(), [](uint8_t b) {
                return b == 0xEE;
            })) << "written past the bound";
            stream.insert(stream.end(), out.begin(),
                          out.begin() + std::ptrdiff_t(std::min(written, bound)));
        };
        std::size_t at = 0;
        for (const Piece& piece : c.pieces) {
            const std::size_t size = &piece == &c.pieces.back() ? c.data.size() - at : piece.size;
            call(deflater.maxOutput(size), [&](uint8_t* out, std::size_t capacity) {
                return deflater.add(out, capacity, c.data.data() + at, size, piece.runs, at > 0,
                                    at > 0 ? c.data[at - 1] : 0);
            });
            at += size;
        }
        call(deflater.maxOutput(0),
             [&](uint8_t* out, std::size_t capacity) { return deflater.finish(out, capacity); });
        bool ok = false;
        EXPECT_EQ(inflateRaw(stream, c.data.size(), &ok), c.data);
        EXPECT_TRUE(ok);
    }
}

#ifdef QUILLET_CHECK_BOUNDS
// Where writes are checked, a buffer smaller than the bound stops the coder before it writes
// past its end.
TEST(RunDeflateDeathTest, AWriteBeyondTheCapacityStops) {
    const Bytes data = noise(100000);
    EXPECT_DEATH(
        {
            RunDeflater deflater;
            Bytes out(1000);
            deflater.add(out.data(), out.size(), data.data(), data.size(), false);
        },
        "pass the capacity");
}
#endif
