// Fuzzes our deflate coder as the PNG encoder uses it: pieces of data (arbitrary bytes, runs of
// one byte, or noise made from a seed) go through our coder, as literals or with runs, or through
// zlib, which takes over after our blocks end on a byte boundary and the bytes before are its
// dictionary; our blocks follow zlib's after a sync flush. Every call's buffer is exactly the bound
// the coder promised (a fuzz build checks each write against it). The stream, inflated by zlib into
// a buffer of exactly the data's size, must end there and give back the data.

#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "platform/png/run_deflate.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum class Coder { OursLiterals, OursRuns, Zlib };

class Stream {
public:
    Stream() { FUZZ_CHECK(deflateInit2(&m_zs, 1, Z_DEFLATED, -MAX_WBITS, 8, 0) == Z_OK); }
    ~Stream() { deflateEnd(&m_zs); }

    void add(const Bytes& piece, Coder coder) {
        if (coder == Coder::Zlib) {
            if (m_inOurs) {
                ours([&](uint8_t* out, std::size_t room) { return m_ours.align(out, room); }, 0);
                // zlib must reach nothing older than its dictionary, which the window of our
                // data before it must fill: the encoder's batch before always does (png_bands.cpp
                // asserts it). Where less came before, zlib starts afresh: otherwise what it saw
                // of its own earlier would stand in its window ahead of the dictionary, at
                // distances the stream does not have.
                if (m_data.size() < 32768) FUZZ_CHECK(deflateReset(&m_zs) == Z_OK);
                // The bytes before, if any (zlib takes no empty dictionary).
                const std::size_t window = std::min<std::size_t>(m_data.size(), 32768);
                FUZZ_CHECK(window == 0 ||
                           deflateSetDictionary(&m_zs, m_data.data() + m_data.size() - window,
                                                uInt(window)) == Z_OK);
                m_inOurs = false;
            }
            zlib(piece, Z_NO_FLUSH);
        } else {
            if (!m_inOurs && m_zlibUsed) zlib({}, Z_SYNC_FLUSH);
            m_inOurs = true;
            const bool previous = !m_data.empty();
            ours(
                [&](uint8_t* out, std::size_t room) {
                    return m_ours.add(out, room, piece.data(), piece.size(),
                                      coder == Coder::OursRuns, previous,
                                      previous ? m_data.back() : 0);
                },
                piece.size());
        }
        m_data.insert(m_data.end(), piece.begin(), piece.end());
    }

    void finishAndCheck() {
        if (m_inOurs || !m_zlibUsed) {
            ours([&](uint8_t* out, std::size_t room) { return m_ours.finish(out, room); }, 0);
        } else {
            zlib({}, Z_FINISH);
        }
        z_stream in{};
        FUZZ_CHECK(inflateInit2(&in, -MAX_WBITS) == Z_OK);
        // Exactly the data's size; one spare byte, offered only once that is full, catches
        // any excess (and keeps the buffer non-null for empty data, as zlib requires).
        Bytes back(m_data.size() + 1);
        in.next_in = m_stream.data();
        in.avail_in = uInt(m_stream.size());
        in.next_out = back.data();
        in.avail_out = uInt(m_data.size());
        int rc = inflate(&in, Z_FINISH);
        if (rc == Z_BUF_ERROR && in.avail_out == 0) {
            in.avail_out = 1;
            rc = inflate(&in, Z_FINISH);
            FUZZ_CHECK(in.avail_out == 1);
        }
        back.pop_back();
        FUZZ_CHECK(rc == Z_STREAM_END);
        FUZZ_CHECK(in.avail_in == 0);
        FUZZ_CHECK(in.total_out == m_data.size());
        FUZZ_CHECK(back == m_data);
        inflateEnd(&in);
    }

private:
    template <class Call>
    void ours(const Call& call, std::size_t size) {
        const std::size_t bound = m_ours.maxOutput(size);
        Bytes out(bound);  // exactly the bound: a write past it is an overflow
        const std::size_t written = call(out.data(), out.size());
        FUZZ_CHECK(written <= bound);
        m_stream.insert(m_stream.end(), out.begin(), out.begin() + std::ptrdiff_t(written));
    }
    void zlib(const Bytes& piece, int flush) {
        m_zlibUsed = true;
        m_zs.next_in = const_cast<Bytef*>(piece.data());
        m_zs.avail_in = uInt(piece.size());
        uint8_t out[16384];
        do {
            m_zs.next_out = out;
            m_zs.avail_out = sizeof out;
            const int rc = deflate(&m_zs, flush);
            FUZZ_CHECK(rc != Z_STREAM_ERROR);
            m_stream.insert(m_stream.end(), out, m_zs.next_out);
        } while (m_zs.avail_out == 0 || m_zs.avail_in > 0);
    }

    RunDeflater m_ours;
    z_stream m_zs{};
    bool m_inOurs = false;
    bool m_zlibUsed = false;
    Bytes m_data;
    Bytes m_stream;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Stream stream;
    for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
        const auto coder =
            input.PickValueInArray({Coder::OursLiterals, Coder::OursRuns, Coder::Zlib});
        Bytes piece;
        switch (input.ConsumeIntegralInRange(0, 2)) {
            case 0:  // a run of one byte, long enough to span blocks
                piece.assign(input.ConsumeIntegralInRange<std::size_t>(0, 200000),
                             input.ConsumeIntegral<uint8_t>());
                break;
            case 1: {  // noise from a seed: blocks that go stored, more than an input holds
                piece.resize(input.ConsumeIntegralInRange<std::size_t>(0, 200000));
                uint32_t state = input.ConsumeIntegral<uint32_t>() | 1;
                for (uint8_t& b : piece) {
                    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
                    b = uint8_t(state);
                }
                break;
            }
            default:
                piece = input.ConsumeBytes<uint8_t>(
                    input.ConsumeIntegralInRange<std::size_t>(0, 70000));
        }
        stream.add(piece, coder);
    }
    stream.finishAndCheck();
    return 0;
}
