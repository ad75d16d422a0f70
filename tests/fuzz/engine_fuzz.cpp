// libFuzzer target: arbitrary bytes as a FastFile, through load, parse and scan.
#include "asset_scan.h"
#include "fastfile_load.h"
#include "zone_strings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One zone for every input, as the worker keeps one for every job: state left by a
    // failed load must not hurt the next.
    static FFZone zone;
    if (LoadFastFileFromMemory(zone, data, size) == kResultSuccess) {
        ParseStrings(zone);
        ParseAssetTypes(zone);
        LocateFiles(zone);
        volatile size_t touched = 0;
        for (const ZoneEntry& entry : zone.entries)
            touched = touched + entry.name.size();
        ResetZone(zone);
    }
    return 0;
}
