#include "platform/prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

void prefaultPages(const void* data, std::size_t size) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(data) + size;
    constexpr uintptr_t kPiece = 256 * 1024;
    for (uintptr_t at = first; at < end; at += kPiece) {
        const uintptr_t length = std::min(kPiece, end - at);
#ifdef MADV_POPULATE_WRITE
        if (madvise(reinterpret_cast<void*>(at), length, MADV_POPULATE_WRITE) == 0) continue;
#endif
        for (uintptr_t offset = 0; offset < length; offset += page) {
            static_cast<void>(*reinterpret_cast<volatile const uint8_t*>(at + offset));
        }
    }
}
