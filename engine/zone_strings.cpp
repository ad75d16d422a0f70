#include "zone_strings.h"

#include "zone_bytes.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kStringCountOffset = 36;
constexpr int32_t kAssetCountOffset = 44;
constexpr int32_t kStringSlotsOffset = 52;

// Reads the counts and puts the cursor on the first string. Returns false when the
// zone is too short to hold the header fields.
bool ReadZoneHeader(FFZone& zone)
{
    if (zone.zoneSize < 40) {
        zone.stringCount = 0;
        zone.assetCount = 0;
        return false;
    }
    zone.stringCount = ReadInt32(zone.zoneData + kStringCountOffset);
    zone.assetCount = zone.zoneSize >= 48 ? ReadInt32(zone.zoneData + kAssetCountOffset) : 0;
    zone.cursor = ClampOffset(kStringSlotsOffset + 4 * int64_t(zone.stringCount));
    return true;
}

}  // namespace

std::string ReadZoneString(FFZone& zone)
{
    const int64_t start = zone.cursor;
    if (start < 0 || start >= zone.zoneSize)
        return std::string();
    const size_t span = size_t(std::min<int64_t>(kMaxZoneString, zone.zoneSize - start));
    const uint8_t* text = zone.zoneData + start;
    const void* end = memchr(text, 0, span);
    if (!end)
        return std::string();
    const size_t length = size_t(static_cast<const uint8_t*>(end) - text);
    zone.cursor = int32_t(start + int64_t(length) + 1);
    return std::string(reinterpret_cast<const char*>(text), length);
}

void ParseStrings(FFZone& zone)
{
    if (!ReadZoneHeader(zone) || zone.kind == Version5 || zone.stringCount <= 0)
        return;
    // Every string inside the zone takes at least its zero byte, so a count beyond the
    // bytes left after the slots describes strings past the zone's end: the list stops
    // there instead of growing to billions of empty entries.
    const int64_t bytesLeft = std::max<int64_t>(0, int64_t(zone.zoneSize) - zone.cursor);
    const int64_t count = std::min<int64_t>(zone.stringCount, bytesLeft);
    try {
        zone.strings.reserve(size_t(count));
        for (int64_t i = 0; i < count; ++i) {
            const int32_t before = zone.cursor;
            zone.strings.push_back(ReadZoneString(zone));
            if (zone.strings.back().empty() && zone.cursor == before) {
                // Unreadable: the cursor stays, so every later string is empty too.
                zone.strings.resize(size_t(count));
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // The list ends where memory does; the strings read so far stand.
    }
}

void ParseAssetTypes(FFZone& zone)
{
    if (zone.zoneSize < 40 || zone.kind == Version5)
        return;
    for (int32_t i = 0; i < zone.assetCount; ++i) {
        const int64_t at = zone.cursor;
        if (at < 0 || at + 4 > zone.zoneSize)
            break;
        zone.assetTypes.push_back(uint32_t(ReadInt32(zone.zoneData + at)));
        zone.cursor = ClampOffset(at + 8);
    }
}
