#pragma once
// Memory that a memfd backs, such as the screen grab's segment: the clipboard hands an image in
// such memory to its helper by passing the descriptor instead of copying the pixels.

#include <sys/types.h>

#include <cstddef>
#include <optional>

struct MemfdRange {
    int fd = -1;
    off_t offset = 0;  // where the range starts in the memfd
};

void registerMemfdMemory(const void* data, std::size_t size, int fd);
void unregisterMemfdMemory(const void* data);

// The memfd holding [data, data + size), or nothing for other memory. The memory counts as
// handed over from then on: its owner must not write to it again.
std::optional<MemfdRange> handOverMemfdRange(const void* data, std::size_t size);
bool memfdMemoryHandedOver(const void* data);
