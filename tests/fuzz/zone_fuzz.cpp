// libFuzzer target: arbitrary bytes as an inflated zone, straight into parse and scan.
// The FastFile target mostly meets zlib's checksums; this one reaches every record form.
// The first byte picks the version class.
#include "asset_scan.h"
#include "zone_strings.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const FastFileKind kKinds[] = {Version5, Version387, OtherVersion};
    FFZone zone;
    zone.kind = kKinds[data[0] % 3];
    zone.zoneSize = int32_t(size - 1);
    zone.zoneCapacity = zone.zoneSize;
    // An exact-size copy, so AddressSanitizer sees any read past the zone's end.
    zone.zoneData = static_cast<uint8_t*>(malloc(size - 1 ? size - 1 : 1));
    if (size > 1)
        memcpy(zone.zoneData, data + 1, size - 1);
    ParseStrings(zone);
    ParseAssetTypes(zone);
    LocateFiles(zone);
    return 0;
}
