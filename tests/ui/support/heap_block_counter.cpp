#include "heap_block_counter.h"

#include <cstdlib>
#include <new>

namespace uitest {
std::atomic<size_t> g_watchedSize{0};
std::atomic<int> g_watchedLive{0};
}  // namespace uitest

namespace {
constexpr size_t kHeader = 16;  // every block carries its size in front of it
}

void* operator new(size_t size) {
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = size;
    if (size == uitest::g_watchedSize) ++uitest::g_watchedLive;
    return block + kHeader;
}

void operator delete(void* object) noexcept {
    if (!object) return;
    char* block = static_cast<char*>(object) - kHeader;
    if (*reinterpret_cast<size_t*>(block) == uitest::g_watchedSize) --uitest::g_watchedLive;
    std::free(block);
}

void operator delete(void* object, size_t) noexcept { operator delete(object); }
