#pragma once
// Splitting work over threads, for the few image loops that stand between an input and the
// next frame. The calling thread always takes part; when no further thread can be started,
// it does the whole work itself.

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

// Runs `work` on `threads` threads at once, this one included, and returns when all are done.
template <class Work>
void runOnThreads(int threads, const Work& work) {
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back([&work] { work(); });
        } catch (const std::system_error&) {
            break;  // the threads already running share what is left
        }
    }
    work();
    for (std::thread& t : helpers) t.join();
}

// Calls `work(firstRow, endRow)` for `bands` equal bands of `rows` rows, one band a thread.
template <class Work>
void forEachRowBand(int rows, int bands, const Work& work) {
    bands = std::clamp(bands, 1, std::max(rows, 1));
    std::vector<std::thread> helpers;
    const auto edge = [&](int b) {
        return static_cast<int>(static_cast<int64_t>(rows) * b / bands);
    };
    for (int b = 1; b < bands; ++b) {
        try {
            helpers.emplace_back([&work, first = edge(b), end = edge(b + 1)] { work(first, end); });
        } catch (const std::system_error&) {
            work(edge(b), edge(b + 1));  // without another thread the rows are done here
        }
    }
    work(0, edge(1));
    for (std::thread& t : helpers) t.join();
}

// Threads worth using for loops over a screen's rows: one per core, at least one.
inline int coreCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}
