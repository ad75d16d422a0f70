#include "raw_export.h"

#include "fastfile_load.h"
#include "output_folder.h"
#include "program_log.h"
#include "sound_list.h"
#include "zone_bytes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// A deflate stream cannot grow by more than 1032 to 1; with margin to spare, this bounds
// what a compressed script can inflate to, whatever length its header states.
constexpr int64_t kMaxInflateRatio = 1040;
constexpr int64_t kInflateBoundMargin = 4096;
// The inflation driver restarts its window each time it fills, so a tiny window over a
// large stream would cost one inflate call per few bytes; a minimum keeps that cheap.
constexpr int64_t kMinScriptWindow = 64 * 1024;
constexpr size_t kScriptHeaderSize = 8;  // inflated length, compressed length

bool NamesCompressedScript(const std::string& name)
{
    return name.find(".csc") != std::string::npos || name.find(".gsc") != std::string::npos;
}

// Writes the part of the entry's data that lies within the zone.
void WriteZoneBytes(const FFZone& zone, const ZoneEntry& entry, FILE* file)
{
    int64_t begin = std::max<int64_t>(entry.dataOffset, 0);
    int64_t end = std::min<int64_t>(int64_t{entry.dataOffset} + entry.size, zone.zoneSize);
    if (zone.zoneData && end > begin)
        fwrite(zone.zoneData + begin, 1, static_cast<size_t>(end - begin), file);
}

// The script is written as its inflated bytes less the last one; anything that does not
// inflate within its stated length leaves the file empty.
void WriteCompressedScript(FFZone& zone, const ZoneEntry& entry, FILE* file)
{
    int64_t offset = entry.dataOffset;
    if (!zone.zoneData || offset < 0 || offset + int64_t{kScriptHeaderSize} > zone.zoneSize)
        return;
    const uint8_t* header = zone.zoneData + offset;
    int64_t stated = ReadUint32(header);
    int64_t available = std::min<int64_t>(ReadUint32(header + 4), zone.zoneSize - offset - int64_t{kScriptHeaderSize});
    if (stated == 0)
        return;  // inflating to 0 bytes or to more than 0 both leave the file empty

    // The window may be larger than the stated length: the measured length decides.
    int64_t window = std::max(std::min(stated, available * kMaxInflateRatio + kInflateBoundMargin), kMinScriptWindow);
    window = std::min<int64_t>(window, std::numeric_limits<int32_t>::max());
    if (window > zone.scratchCapacity) {
        free(zone.scratchData);
        zone.scratchData = static_cast<uint8_t*>(malloc(static_cast<size_t>(window)));
        zone.scratchCapacity = zone.scratchData ? static_cast<int32_t>(window) : 0;
        if (!zone.scratchData) {
            zone.scratchSize = 0;
            return;
        }
    }
    zone.scratchSize = static_cast<int32_t>(window);

    int64_t inflated = window;
    int result = InflateMeasured(zone.scratchData, inflated, header + kScriptHeaderSize, available);
    if (result != 0 || inflated > stated || inflated < 1)
        return;
    fwrite(zone.scratchData, 1, static_cast<size_t>(inflated - 1), file);
}

}  // namespace

WriteTally WriteFiles(FFZone& zone, const std::atomic<bool>* stopRequested)
{
    WriteTally tally;
    const std::string folder = OutputFolder(zone);
    if (!OpenSoundList(zone, folder))
        ++tally.writeErrors;
    for (const ZoneEntry& entry : zone.entries) {
        if (stopRequested && stopRequested->load())
            break;
        if (entry.size <= 1) {
            AddToSoundList(zone, entry.name);
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            theLog.LogError("Unsafe path refused: %s", entry.name.c_str());
            ++tally.refused;
            continue;
        }
        std::string target = folder;
        if (entry.type == Sound) {
            target += "sound";
            target += kPathSeparator;
        }
        target += entry.name;
#ifdef _WIN32
        target = ToNativeSeparators(target);
#else
        target.replace(folder.size(), std::string::npos, ToNativeSeparators(target.substr(folder.size())));
#endif
        CreateParentFolders(target);
        FILE* file = OpenOutputFile(target);
        if (!file) {
            ++tally.writeErrors;
            continue;
        }
        if (zone.kind == OtherVersion && NamesCompressedScript(entry.name))
            WriteCompressedScript(zone, entry, file);
        else
            WriteZoneBytes(zone, entry, file);
        fclose(file);
    }
    CloseSoundList(zone);
    return tally;
}
