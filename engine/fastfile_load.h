// Opening a FastFile: header check and version class, the inflation of the body into
// the zone, the optional .dump of the zone, and emptying the zone after a job.
#pragma once

#include "ff_zone.h"

#include <atomic>
#include <climits>
#include <cstddef>
#include <string>

constexpr size_t kFastFileHeaderSize = 12;
constexpr int32_t kFirstInflateWindow = 8192;
// Zone and script sizes are 32-bit signed: a stream that inflates to more is refused.
constexpr int64_t kMaxInflatedLength = INT32_MAX;
// A zone grows in place: its first window is committed first, then one step at a time,
// inside address space reserved for the largest zone (or for as much as can be had).
constexpr int32_t kZoneGrowthStep = 4 << 20;
constexpr int64_t kZoneReservation = kMaxInflatedLength + 1;
// The load and the dump look at a stop request at least once per this many bytes read,
// inflated or written, so that a stop ends them within moments even for a large zone.
constexpr int64_t kStopCheckBytes = int64_t(4) << 20;
// A scratch buffer up to this size is kept for the next job; a larger one, grown for a
// rare huge script, is released when its job ends so that later jobs have the memory.
constexpr int32_t kScratchKeptUpTo = 64 << 20;

// Classifies the first bytes of a file (fewer than 12 bytes is NotFastFile).
FastFileKind ClassifyHeader(const uint8_t* header, size_t length);

// Whether a stop was asked for; a stage given no stop request runs to its end.
inline bool StopRequested(const std::atomic<bool>* stopRequested)
{
    return stopRequested && stopRequested->load();
}

// Each of the following that takes stopRequested gives up with kResultStopped once it
// is set; the zone is then of no use until ResetZone.
int32_t LoadFastFile(FFZone& zone, const std::atomic<bool>* stopRequested = nullptr);
// Same as LoadFastFile after the file has been read: header check plus inflation.
int32_t LoadFastFileFromMemory(FFZone& zone, const uint8_t* file, size_t length);
// The most a zone may hold, and the address space first asked for it to grow into. A
// zone that outgrows what could be reserved is measured to its end and inflated again
// into a block of exactly its size. Tests make both small to reach the edges.
struct ZoneLimits {
    int64_t largest = kMaxInflatedLength;
    int64_t reservation = kZoneReservation;
};
// Returns a zlib code, or kResultStopped. On failure the zone is left empty.
int32_t InflateZone(FFZone& zone, const uint8_t* body, int64_t bodyLength,
                    const std::atomic<bool>* stopRequested = nullptr, const ZoneLimits& limits = ZoneLimits());
// Returns a zlib code, or kResultStopped.
int InflateMeasured(uint8_t* destination, int64_t& windowLength, const uint8_t* source, int64_t sourceLength,
                    const std::atomic<bool>* stopRequested = nullptr);
// Returns 0, 5 or 6 (6 also when the zone could not be written whole), or kResultStopped.
// A dump that was not written whole is removed: a .dump on disk always holds the zone.
int32_t WriteDump(const FFZone& zone, const std::string& dumpPath, const std::atomic<bool>* stopRequested = nullptr);
std::string ResultMessage(int32_t code);
// Ends a job: releases the zone and its lists; keeps the kind, the counts and a scratch
// buffer of up to kScratchKeptUpTo bytes.
void ResetZone(FFZone& zone);
