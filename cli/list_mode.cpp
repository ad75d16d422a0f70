#include "list_mode.h"

#include "fastfile_load.h"
#include "json_writer.h"
#include "raw_export.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* KindName(FastFileKind kind)
{
    switch (kind) {
    case Version5: return "Version5";
    case Version387: return "Version387";
    case OtherVersion: return "OtherVersion";
    default: return "NotFastFile";
    }
}

const char* TypeName(EntryType type)
{
    static const char* const kNames[] = {"?", "Gsc", "Csc", "Menu", "Rmb", "Shock", "Vision", "Sound"};
    return type >= Gsc && type <= Sound ? kNames[type] : kNames[0];
}

// The entries a selection takes, as the walk that writes them finds them; their bytes
// are never asked for.
class SelectedEntries : public ExportDestination {
public:
    bool BeginFile(const ExportedFile& file) override
    {
        if (file.entry)
            entries.push_back(file.entry);
        return false;
    }
    void WriteBytes(const uint8_t*, size_t) override {}
    void EndFile() override {}

    std::vector<const ZoneEntry*> entries;
};

void PrintJson(const std::string& file, int32_t result, const FFZone& zone, const std::vector<const ZoneEntry*>& entries)
{
    std::string line = "{\"file\":" + JsonString(file) + ",\"result\":" + std::to_string(result) +
                       ",\"message\":" + JsonString(ResultMessage(result));
    if (result == kResultSuccess) {
        line += ",\"kind\":" + std::to_string(zone.kind) + ",\"zone_size\":" + std::to_string(zone.zoneSize);
        line += ",\"strings\":[";
        for (size_t i = 0; i < zone.strings.size(); ++i)
            line += (i ? "," : "") + JsonString(zone.strings[i]);
        line += "],\"asset_types\":[";
        for (size_t i = 0; i < zone.assetTypes.size(); ++i)
            line += (i ? "," : "") + std::to_string(zone.assetTypes[i]);
        line += "],\"entries\":[";
        for (size_t i = 0; i < entries.size(); ++i) {
            const ZoneEntry& entry = *entries[i];
            line += (i ? ",{\"name\":" : "{\"name\":") + JsonString(entry.name) +
                    ",\"type\":" + std::to_string(entry.type) + ",\"offset\":" + std::to_string(entry.dataOffset) +
                    ",\"size\":" + std::to_string(entry.size) + "}";
        }
        line += "]";
    }
    line += "}\n";
    fwrite(line.data(), 1, line.size(), stdout);
}

void PrintText(const std::string& file, int32_t result, const FFZone& zone, const std::vector<const ZoneEntry*>& entries)
{
    if (result != kResultSuccess) {
        printf("%s: error %d: %s\n", Printable(file).c_str(), result, ResultMessage(result).c_str());
        return;
    }
    printf("%s\n  kind %s, zone 0x%x (%d bytes), %zu strings, %zu asset types, %zu entries\n",
           Printable(file).c_str(), KindName(zone.kind), unsigned(zone.zoneSize), zone.zoneSize,
           zone.strings.size(), zone.assetTypes.size(), entries.size());
    for (const ZoneEntry* entry : entries)
        printf("  %-6s  offset 0x%08x  size %11d  %s\n", TypeName(entry->type), unsigned(entry->dataOffset),
               entry->size, Printable(entry->name).c_str());
}

}  // namespace

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

int RunListMode(const CliOptions& options)
{
    int status = 0;
    FFZone zone;
    for (const std::string& given : options.files) {
        zone.path = AbsolutePath(given);
        const int32_t result = LoadAndLocate(zone);
        SelectedEntries selected;
        if (result != kResultSuccess) {
            status = 1;
        } else if (options.Filtered()) {
            ExportRequest request;
            request.selection = options.Selection();
            ExportFiles(zone, request, selected);
        } else {
            for (const ZoneEntry& entry : zone.entries)
                selected.entries.push_back(&entry);
        }
        if (options.json)
            PrintJson(zone.path, result, zone, selected.entries);
        else
            PrintText(zone.path, result, zone, selected.entries);
        ResetZone(zone);
    }
    fflush(stdout);
    return status;
}
