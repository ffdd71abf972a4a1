#pragma once
// Mapping fresh memory in ahead of its first use: a new shared-memory buffer would otherwise take
// a page fault for every page on the path that writes it first (about 10 ms at 3840 x 2160).

#include <cstddef>

// Maps in the pages of [data, data + size), writing nothing, in pieces of 256 KiB: a call holds
// the process's memory map for reading throughout, and other threads (a grab meanwhile) must
// map their own memory. Before Linux 5.14 (no MADV_POPULATE_WRITE) a read per page does it.
void prefaultPages(const void* data, std::size_t size);
