// Puts builder output straight into a zone, as a successful load would leave it.
#pragma once

#include "ff_builder.h"
#include "ff_zone.h"
#include "zone_memory.h"

#include <cstdlib>
#include <cstring>

inline void SetZone(FFZone& zone, FastFileKind kind, const ffb::Bytes& bytes)
{
    ReleaseZoneData(zone);
    zone.zoneData = static_cast<uint8_t*>(malloc(bytes.size() + 1));
    if (!bytes.empty())
        memcpy(zone.zoneData, bytes.data(), bytes.size());
    zone.zoneSize = int32_t(bytes.size());
    zone.zoneCapacity = int32_t(bytes.size() + 1);
    zone.kind = kind;
    zone.cursor = 0;
    zone.strings.clear();
    zone.assetTypes.clear();
    zone.entries.clear();
}
