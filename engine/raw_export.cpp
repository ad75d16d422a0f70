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
#include <unordered_map>
#include <vector>
#include <zlib.h>

namespace {

// The first inflation of a script goes into the scratch buffer as it stands, at least
// this large: a tiny window over a large stream would cost one inflate call per few bytes.
constexpr int32_t kMinScriptWindow = 64 * 1024;
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

// Makes the scratch buffer hold at least length bytes; false when it cannot.
bool GrowScratch(FFZone& zone, int64_t length)
{
    if (length <= zone.scratchCapacity)
        return true;
    free(zone.scratchData);
    zone.scratchData = static_cast<uint8_t*>(malloc(static_cast<size_t>(length)));
    zone.scratchCapacity = zone.scratchData ? static_cast<int32_t>(length) : 0;
    zone.scratchSize = 0;
    return zone.scratchData != nullptr;
}

// How far the walk got with a file it began.
enum class FileMade { kWhole, kStopped, kNoMemory };

// The script is written as its inflated bytes less the last one; anything that does not
// inflate within its stated length leaves the file empty. A script may inflate to
// gigabytes from a few bytes of zone, so the stop request is looked at while it inflates
// and between blocks of its write.
FileMade WriteCompressedScript(FFZone& zone, const ZoneEntry& entry, ExportDestination& destination,
                               const std::atomic<bool>* stopRequested)
{
    int64_t offset = entry.dataOffset;
    if (!zone.zoneData || offset < 0 || offset + int64_t{kScriptHeaderSize} > zone.zoneSize)
        return FileMade::kWhole;
    const uint8_t* header = zone.zoneData + offset;
    int64_t stated = ReadUint32(header);
    int64_t available = std::min<int64_t>(ReadUint32(header + 4), zone.zoneSize - offset - int64_t{kScriptHeaderSize});
    if (stated == 0)
        return FileMade::kWhole;  // inflating to 0 bytes or to more than 0 both leave the file empty

    // The buffer at hand measures the stream first; it grows only for a stream that really
    // inflates to more, within its stated length, and then to exactly that. So neither the
    // stated lengths nor the bytes that follow the stream in the zone decide what is
    // allocated, and the bytes written are those a buffer of the stated length would give.
    if (!GrowScratch(zone, kMinScriptWindow))
        return FileMade::kNoMemory;
    int64_t inflated = zone.scratchCapacity;
    int result = InflateMeasured(zone.scratchData, inflated, header + kScriptHeaderSize, available, stopRequested);
    if (result == Z_BUF_ERROR && inflated <= stated) {
        if (!GrowScratch(zone, inflated))
            return FileMade::kNoMemory;
        result = InflateMeasured(zone.scratchData, inflated, header + kScriptHeaderSize, available, stopRequested);
    }
    if (result == kResultStopped)
        return FileMade::kStopped;
    if (result != 0 || inflated > stated || inflated < 1)
        return FileMade::kWhole;
    zone.scratchSize = static_cast<int32_t>(inflated);
    for (int64_t written = 0; written < inflated - 1;) {
        if (StopRequested(stopRequested))
            return FileMade::kStopped;
        const int64_t block = std::min(inflated - 1 - written, kStopCheckBytes);
        destination.WriteBytes(zone.scratchData + written, static_cast<size_t>(block));
        written += block;
    }
    return FileMade::kWhole;
}

// Where an entry's file goes inside the output folder: sounds into the sound folder.
std::string EntryPath(const ZoneEntry& entry)
{
    return NormalOutputPath(entry.type == Sound ? "sound/" + entry.name : entry.name);
}

// What the walk does with one entry.
struct EntryPlan {
    enum Fate { kListed, kRefused, kNotSelected, kFile } fate;
    std::string path;  // kFile and kNotSelected
    bool replacedLater = false;
};

// Every entry's fate, decided before the walk so that each file can be told whether a
// later one takes its place.
std::vector<EntryPlan> PlanEntries(const FFZone& zone, const ExportRequest& request)
{
    std::vector<EntryPlan> plans(zone.entries.size());
    std::unordered_map<std::string, size_t> lastAt;  // path key: the entry whose file is there
    const auto place = [&](const std::string& path, size_t index) {
        const auto found = lastAt.try_emplace(PathKey(path), index);
        if (!found.second && found.first->second < plans.size()) {
            plans[found.first->second].replacedLater = true;
            found.first->second = index;
        }
    };
    for (size_t i = 0; i < zone.entries.size(); ++i) {
        const ZoneEntry& entry = zone.entries[i];
        EntryPlan& plan = plans[i];
        if (entry.size <= 1) {
            plan.fate = EntryPlan::kListed;
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            plan.fate = EntryPlan::kRefused;
            continue;
        }
        plan.path = EntryPath(entry);
        plan.fate = request.selection && !request.selection->Takes(entry.type, plan.path) ? EntryPlan::kNotSelected
                                                                                           : EntryPlan::kFile;
        if (plan.fate == EntryPlan::kFile)
            place(plan.path, i);
    }
    // The two lists come after every entry.
    if (SoundList(zone.kind).Kept())
        place(kSoundListName, zone.entries.size());
    if (request.stringTable && !zone.strings.empty())
        place(kStringTableName, zone.entries.size());
    return plans;
}

void ExportText(ExportDestination& destination, const ExportedFile& file, const std::string& text)
{
    if (!destination.BeginFile(file))
        return;
    destination.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    destination.EndFile();
}

}  // namespace

int32_t LoadAndLocate(FFZone& zone, const std::atomic<bool>* stopRequested)
{
    const int32_t result = LoadFastFile(zone, stopRequested);
    if (result != kResultSuccess)
        return result;
    ParseStrings(zone);
    ParseAssetTypes(zone);
    if (StopRequested(stopRequested))
        return kResultStopped;
    LocateFiles(zone);
    return StopRequested(stopRequested) ? kResultStopped : result;
}

int32_t LoadAndExport(FFZone& zone, const ExportRequest& request, ExportDestination& destination,
                      const std::atomic<bool>* stopRequested)
{
    const int32_t result = LoadAndLocate(zone, stopRequested);
    if (result == kResultSuccess)
        ExportFiles(zone, request, destination, stopRequested);
    else if (result != kResultStopped)
        theLog.Log("(%s) Error: %s", zone.name.c_str(), ResultMessage(result).c_str());
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
    const std::vector<EntryPlan> plans = PlanEntries(zone, request);
    for (size_t i = 0; i < zone.entries.size(); ++i) {
        const ZoneEntry& entry = zone.entries[i];
        const EntryPlan& plan = plans[i];
        if (StopRequested(stopRequested)) {
            stopped = true;
            break;
        }
        if (plan.fate == EntryPlan::kListed) {
            sounds.Add(entry.name);
            continue;
        }
        if (plan.fate == EntryPlan::kRefused) {
            destination.Refused(ExportedFile{EntryPath(entry), &entry, true});
            ++tally.refused;
            continue;
        }
        folderMade = true;
        if (plan.fate == EntryPlan::kNotSelected)
            continue;
        const ExportedFile file{plan.path, &entry, true, plan.replacedLater};
        ++tally.selected;
        if (!destination.BeginFile(file))
            continue;
        FileMade made = FileMade::kWhole;
        if (zone.kind == OtherVersion && NamesCompressedScript(entry.name))
            made = WriteCompressedScript(zone, entry, destination, stopRequested);
        else
            WriteZoneBytes(zone, entry, destination);
        if (made == FileMade::kWhole) {
            destination.EndFile();
            continue;
        }
        destination.AbandonFile(made == FileMade::kStopped ? FileAbandoned::kStopped : FileAbandoned::kNoMemory);
        if (made == FileMade::kStopped) {
            stopped = true;
            break;
        }
    }
    // A stopped walk writes neither list: a sound list of the entries met so far would
    // take the place of the whole one an earlier run left.
    if (stopped)
        return tally;
    if (sounds.Kept()) {
        ExportText(destination, ExportedFile{kSoundListName, nullptr, true}, sounds.Text());
        folderMade = true;
    }
    if (request.stringTable && !zone.strings.empty())
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
