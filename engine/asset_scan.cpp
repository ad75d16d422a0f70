#include "asset_scan.h"

#include "zone_bytes.h"
#include "zone_strings.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int32_t kMaxSoundName = 1024;  // bytes examined for ".wav"

bool IsPrintable(uint8_t byte) { return byte >= 0x21 && byte <= 0x7E; }

bool TextAt(const FFZone& zone, int64_t at, const char* text, size_t length)
{
    return at >= 0 && at + int64_t(length) <= zone.zoneSize && memcmp(zone.zoneData + at, text, length) == 0;
}

// ".menu" and ".wav" also look at the byte after the extension; one that would lie
// past the zone's end does not match.
bool TextAtNotFollowedBy(const FFZone& zone, int64_t at, const char* text, size_t length, uint8_t refused)
{
    return TextAt(zone, at, text, length) && at + int64_t(length) < zone.zoneSize &&
           zone.zoneData[at + int64_t(length)] != refused;
}

// Returns the entry type of the extension starting at the dot, or 0.
int32_t TypeAtDot(const FFZone& zone, int64_t dot)
{
    if (TextAt(zone, dot, ".gsc", 4))
        return Gsc;
    if (TextAt(zone, dot, ".csc", 4))
        return Csc;
    if (zone.kind != OtherVersion && TextAtNotFollowedBy(zone, dot, ".menu", 5, ','))
        return Menu;
    if (zone.kind == Version387 && TextAtNotFollowedBy(zone, dot, ".wav", 4, '\''))
        return Sound;
    if (TextAt(zone, dot, ".rmb", 4))
        return Rmb;
    if (TextAt(zone, dot, ".shock", 6))
        return Shock;
    if (TextAt(zone, dot, ".vision", 7))
        return Vision;
    return 0;
}

// Finds, for dots met in increasing order, the nearest record marker (four 0xFF bytes)
// that ends before the dot. It remembers how far back it has looked, so each byte of
// the zone is examined at most once over the whole scan even when no marker is near.
class MarkerFinder {
public:
    explicit MarkerFinder(const FFZone& zone) : zone_(zone) {}

    int64_t Before(int64_t dot)
    {
        const int64_t lowest = std::max<int64_t>(0, searchedUpTo_ - 3);
        int run = 0;
        for (int64_t i = dot - 1; i >= lowest; --i) {
            run = zone_.zoneData[i] == 0xFF ? run + 1 : 0;
            if (run == 4) {
                found_ = i;
                break;
            }
        }
        searchedUpTo_ = dot;
        return found_;
    }

private:
    const FFZone& zone_;
    int64_t searchedUpTo_ = 0;  // every marker ending before this offset is known
    int64_t found_ = -1;        // the last of them, or -1
};

}  // namespace

std::string ReadSoundName(FFZone& zone)
{
    const int64_t start = zone.cursor;
    if (start < 0)
        return std::string();
    const int64_t end = std::min<int64_t>(start + kMaxSoundName, zone.zoneSize);
    for (int64_t at = start; at < end; ++at) {
        // A name stored in pieces becomes one path: its zero bytes turn into '/'.
        if (zone.zoneData[at] == 0)
            zone.zoneData[at] = '/';
        if (TextAt(zone, at, ".wav", 4)) {
            zone.cursor = ClampOffset(at + 5);
            return std::string(reinterpret_cast<const char*>(zone.zoneData + start), size_t(at + 4 - start));
        }
    }
    return std::string();
}

void ReadEntry(FFZone& zone, EntryType type)
{
    const int64_t marker = zone.cursor;
    if (type == Sound) {
        if (TextAt(zone, marker + 4, "ERROR", 5)) {
            zone.cursor = ClampOffset(marker + 8);
            return;
        }
        if (marker < 0 || marker + 8 > zone.zoneSize)
            return;
        const uint8_t* after = zone.zoneData + marker + 4;
        const bool nameFollowsMarker =
            IsPrintable(after[0]) && IsPrintable(after[1]) && IsPrintable(after[2]) && IsPrintable(after[3]);
        const int64_t field = nameFollowsMarker ? marker : marker + 4;
        int32_t length = ReadInt32(zone.zoneData + field);
        zone.cursor = ClampOffset(field + 4);
        std::string name = ReadSoundName(zone);
        if (length == -1)
            length = 1;
        zone.entries.push_back({std::move(name), zone.cursor, length, Sound});
        zone.cursor = ClampOffset(int64_t(zone.cursor) + length);
        return;
    }

    if (marker - 4 < 0 || marker + 4 > zone.zoneSize)
        return;  // the length field would begin before the zone
    int32_t length = ReadInt32(zone.zoneData + marker - 4);
    zone.cursor = ClampOffset(marker + 4);
    std::string name = ReadZoneString(zone);
    if (type == Menu)
        length = 4;
    zone.entries.push_back({std::move(name), zone.cursor, length, type});
    zone.cursor = ClampOffset(int64_t(zone.cursor) + length);
}

void LocateFiles(FFZone& zone)
{
    MarkerFinder markers(zone);
    int64_t p = 0;
    while (p < zone.zoneSize) {
        const void* dot = memchr(zone.zoneData + p, '.', size_t(zone.zoneSize - p));
        if (!dot)
            break;
        p = static_cast<const uint8_t*>(dot) - zone.zoneData;
        const int32_t type = TypeAtDot(zone, p);
        const int64_t marker = type ? markers.Before(p) : -1;
        if (marker < 0) {
            ++p;
            continue;
        }
        zone.cursor = ClampOffset(marker);
        ReadEntry(zone, EntryType(type));
        // Normally the cursor lies past the entry's data, so the data is not scanned.
        p = std::max<int64_t>(int64_t(zone.cursor) + 1, p + 1);
    }
}
