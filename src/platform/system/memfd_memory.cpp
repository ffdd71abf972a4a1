#include "platform/system/memfd_memory.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Entry {
    const char* data;
    std::size_t size;
    int fd;
    bool handedOver;
};

std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<Entry>& registry() {
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace

void registerMemfdMemory(const void* data, std::size_t size, int fd) {
    const std::lock_guard lock(registryMutex());
    registry().push_back({static_cast<const char*>(data), size, fd, false});
}

void unregisterMemfdMemory(const void* data) {
    const std::lock_guard lock(registryMutex());
    std::erase_if(registry(), [data](const Entry& e) { return e.data == data; });
}

std::optional<MemfdRange> handOverMemfdRange(const void* data, std::size_t size) {
    const std::lock_guard lock(registryMutex());
    const auto* begin = static_cast<const char*>(data);
    for (Entry& e : registry()) {
        if (begin >= e.data && size <= e.size && std::size_t(begin - e.data) <= e.size - size) {
            e.handedOver = true;
            return MemfdRange{e.fd, off_t(begin - e.data)};
        }
    }
    return std::nullopt;
}

bool memfdMemoryHandedOver(const void* data) {
    const std::lock_guard lock(registryMutex());
    return std::any_of(registry().begin(), registry().end(),
                       [data](const Entry& e) { return e.data == data && e.handedOver; });
}
