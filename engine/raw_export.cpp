#include "raw_export.h"

#include "asset_scan.h"
#include "disk_destination.h"
#include "fastfile_load.h"
#include "output_folder.h"
#include "program_log.h"
#include "sound_list.h"
#include "string_table.h"
#include "zone_bytes.h"
#include "zone_strings.h"

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
void WriteZoneBytes(const FFZone& zone, const ZoneEntry& entry, ExportDestination& destination)
{
    int64_t begin = std::max<int64_t>(entry.dataOffset, 0);
    int64_t end = std::min<int64_t>(int64_t{entry.dataOffset} + entry.size, zone.zoneSize);
    if (zone.zoneData && end > begin)
        destination.WriteBytes(zone.zoneData + begin, static_cast<size_t>(end - begin));
}

// The script is written as its inflated bytes less the last one; anything that does not
// inflate within its stated length leaves the file empty.
void WriteCompressedScript(FFZone& zone, const ZoneEntry& entry, ExportDestination& destination)
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
    destination.WriteBytes(zone.scratchData, static_cast<size_t>(inflated - 1));
}

// Where an entry's file goes inside the output folder: sounds into the sound folder.
std::string EntryPath(const ZoneEntry& entry)
{
    return NormalOutputPath(entry.type == Sound ? "sound/" + entry.name : entry.name);
}

void ExportText(ExportDestination& destination, const ExportedFile& file, const std::string& text)
{
    if (!destination.BeginFile(file))
        return;
    destination.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    destination.EndFile();
}

}  // namespace

int32_t LoadAndLocate(FFZone& zone)
{
    const int32_t result = LoadFastFile(zone);
    if (result != kResultSuccess)
        return result;
    ParseStrings(zone);
    ParseAssetTypes(zone);
    LocateFiles(zone);
    return result;
}

WriteTally ExportFiles(FFZone& zone, const ExportRequest& request, ExportDestination& destination,
                       const std::atomic<bool>* stopRequested)
{
    WriteTally tally;
    SoundList sounds(zone.kind);
    // Whether extraction without a selection would have made the output folder by the
    // time StringTable.txt is written, which does not make it.
    bool folderMade = false;
    bool stopped = false;
    for (const ZoneEntry& entry : zone.entries) {
        if (stopRequested && stopRequested->load()) {
            stopped = true;
            break;
        }
        if (entry.size <= 1) {
            sounds.Add(entry.name);
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            theLog.LogError("Unsafe path refused: %s", entry.name.c_str());
            ++tally.refused;
            continue;
        }
        folderMade = true;
        const ExportedFile file{EntryPath(entry), &entry, true};
        if (request.selection && !request.selection->Takes(entry.type, file.path))
            continue;
        ++tally.selected;
        if (!destination.BeginFile(file))
            continue;
        if (zone.kind == OtherVersion && NamesCompressedScript(entry.name))
            WriteCompressedScript(zone, entry, destination);
        else
            WriteZoneBytes(zone, entry, destination);
        destination.EndFile();
    }
    if (sounds.Kept()) {
        ExportText(destination, ExportedFile{kSoundListName, nullptr, true}, sounds.Text());
        folderMade = true;
    }
    if (!stopped && request.stringTable && !zone.strings.empty())
        ExportText(destination, ExportedFile{kStringTableName, nullptr, folderMade}, StringTableText(zone));
    return tally;
}

WriteTally WriteFiles(FFZone& zone, const ExportRequest& request, const std::atomic<bool>* stopRequested)
{
    DiskDestination disk(OutputFolder(zone));
    WriteTally tally = ExportFiles(zone, request, disk, stopRequested);
    tally.writeErrors += disk.WriteErrors();
    return tally;
}
