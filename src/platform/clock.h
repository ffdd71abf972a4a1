#pragma once
// Wall clock with microseconds, as gettimeofday(2) gives it.

#include <cstdint>

struct WallTime {
    int64_t seconds = 0;
    int64_t microseconds = 0;
    // Milliseconds since the epoch, the way the result file counts them.
    uint64_t milliseconds() const {
        return static_cast<uint64_t>(seconds) * 1000u + static_cast<uint64_t>(microseconds) / 1000u;
    }
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual WallTime now() = 0;
};
