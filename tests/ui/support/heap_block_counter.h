// Counts the live heap blocks of one size, to see that objects handed between threads
// or windows are freed. A test program that links heap_block_counter.cpp has its
// global operator new and delete replaced by counting ones; it sets
// g_watchedSize to the size it cares about and compares g_watchedLive before and after.
#pragma once

#include <atomic>
#include <cstddef>

namespace uitest {
extern std::atomic<size_t> g_watchedSize;
extern std::atomic<int> g_watchedLive;
}  // namespace uitest
