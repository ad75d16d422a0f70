#include "zone_memory.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VANDREL_ZONE_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANDREL_ZONE_POISONING 1
#endif
#endif
#ifdef VANDREL_ZONE_POISONING
#include <sanitizer/asan_interface.h>
#endif

namespace {

size_t PageSize()
{
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return size_t(info.dwPageSize);
#else
    return size_t(sysconf(_SC_PAGESIZE));
#endif
}

size_t RoundUp(size_t length, size_t unit) { return (length + unit - 1) / unit * unit; }

uint8_t* Reserve(size_t length)
{
#ifdef _WIN32
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, length, MEM_RESERVE, PAGE_NOACCESS));
#else
    void* memory = mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
#ifdef MADV_HUGEPAGE
    // The zone is written once, front to back: huge pages spare tens of thousands of page
    // faults, which cost about a tenth of the inflate otherwise.
    madvise(memory, length, MADV_HUGEPAGE);
#endif
    return static_cast<uint8_t*>(memory);
#endif
}

bool Commit(uint8_t* from, size_t length)
{
#ifdef _WIN32
    return VirtualAlloc(from, length, MEM_COMMIT, PAGE_READWRITE) != nullptr;
#else
    return mprotect(from, length, PROT_READ | PROT_WRITE) == 0;
#endif
}

void Release(uint8_t* base, size_t length)
{
#ifdef _WIN32
    (void)length;
    VirtualFree(base, 0, MEM_RELEASE);
#else
    munmap(base, length);
#endif
}

}  // namespace

bool ReserveZone(FFZone& zone, int64_t most, int64_t least, int32_t first)
{
    ReleaseZoneData(zone);
    for (int64_t length = most; length >= least && least > 0; length /= 2) {
        const size_t reserved = RoundUp(size_t(length), PageSize());
        uint8_t* base = Reserve(reserved);
        if (!base)
            continue;
        zone.zoneData = base;
        zone.zoneReserved = reserved;
        if (CommitZone(zone, first))
            return true;
        ReleaseZoneData(zone);
        return false;
    }
    return false;
}

bool CommitZone(FFZone& zone, int32_t capacity)
{
    if (capacity <= zone.zoneCapacity)
        return true;
    if (size_t(capacity) > zone.zoneReserved)
        return false;
    // What was committed before ends on a page boundary.
    const size_t from = RoundUp(size_t(zone.zoneCapacity), PageSize());
    if (from < size_t(capacity) && !Commit(zone.zoneData + from, size_t(capacity) - from))
        return false;
    zone.zoneCapacity = capacity;
    return true;
}

void FinishZone(FFZone& zone)
{
    if (zone.zoneReserved == 0)
        return;
#ifndef _WIN32
    // Windows releases a reservation only whole; there the rest stays reserved, though
    // never committed, until the zone is released.
    const size_t kept = RoundUp(size_t(zone.zoneCapacity), PageSize());
    if (kept > 0 && kept < zone.zoneReserved) {
        munmap(zone.zoneData + kept, zone.zoneReserved - kept);
        zone.zoneReserved = kept;
    }
#endif
#ifdef VANDREL_ZONE_POISONING
    ASAN_POISON_MEMORY_REGION(zone.zoneData + zone.zoneSize, size_t(zone.zoneCapacity - zone.zoneSize));
#endif
}

void ReleaseZoneData(FFZone& zone)
{
    if (zone.zoneReserved > 0) {
#ifdef VANDREL_ZONE_POISONING
        ASAN_UNPOISON_MEMORY_REGION(zone.zoneData, size_t(zone.zoneCapacity));
#endif
        Release(zone.zoneData, zone.zoneReserved);
    } else {
        free(zone.zoneData);
    }
    zone.zoneData = nullptr;
    zone.zoneSize = 0;
    zone.zoneCapacity = 0;
    zone.zoneReserved = 0;
}
