#include "engine_work.h"

namespace {

std::atomic<uint64_t> g_inflated{0};
std::atomic<uint64_t> g_dumped{0};

}  // namespace

EngineWork EngineWorkDone()
{
    return {g_inflated.load(std::memory_order_relaxed), g_dumped.load(std::memory_order_relaxed)};
}

void CountInflated(uint64_t bytes)
{
    g_inflated.fetch_add(bytes, std::memory_order_relaxed);
}

void CountDumped(uint64_t bytes)
{
    g_dumped.fetch_add(bytes, std::memory_order_relaxed);
}
