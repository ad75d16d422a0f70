#include "guarded_allocation.h"

#include <windows.h>

#include <map>
#include <new>

namespace uitest {
namespace {

struct Freed {
    char* start;
    std::size_t size;
};

// Allocation sizes by address, and the objects deleted so far.
std::map<void*, std::size_t>& Sizes() {
    static std::map<void*, std::size_t> sizes;
    return sizes;
}
std::map<char*, std::size_t>& FreedObjects() {
    static std::map<char*, std::size_t> freed;
    return freed;
}
volatile LONG g_touches = 0;

LONG CALLBACK OnAccessViolation(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    char* address = reinterpret_cast<char*>(record->ExceptionInformation[1]);
    for (const auto& [start, size] : FreedObjects()) {
        if (address >= start && address < start + size) {
            ::InterlockedIncrement(&g_touches);
            DWORD old = 0;
            ::VirtualProtect(start, size, PAGE_READWRITE, &old);
            return EXCEPTION_CONTINUE_EXECUTION;
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void* GuardedAllocation::operator new(std::size_t size) {
    static PVOID handler = ::AddVectoredExceptionHandler(1, &OnAccessViolation);
    (void)handler;
    void* object = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!object) throw std::bad_alloc();
    Sizes()[object] = size;
    return object;
}

void GuardedAllocation::operator delete(void* object) {
    if (!object) return;
    auto it = Sizes().find(object);
    if (it == Sizes().end()) return;
    DWORD old = 0;
    ::VirtualProtect(object, it->second, PAGE_NOACCESS, &old);
    FreedObjects()[static_cast<char*>(object)] = it->second;
    Sizes().erase(it);
}

int GuardedAllocation::TouchesAfterDelete() { return static_cast<int>(g_touches); }

}  // namespace uitest
