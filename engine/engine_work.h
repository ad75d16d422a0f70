// The engine's bulk work in this process, counted as it is done: the bytes inflate has
// produced (zones and compressed scripts) and the bytes written to .dump files. Any
// thread may read the counts, so tests and benchmarks bound the work a stage does (each
// byte of a zone inflated once; no more than a few megabytes after a stop) by counting
// it instead of timing it.
#pragma once

#include <atomic>
#include <cstdint>

struct EngineWork {
    uint64_t inflated;
    uint64_t dumped;
};

// The counts so far.
EngineWork EngineWorkDone();

// For the engine's own stages.
void CountInflated(uint64_t bytes);
void CountDumped(uint64_t bytes);
