#include "diff_mode.h"

#include "archive_walk.h"
#include "content_digest.h"
#include "fastfile_load.h"
#include "json_writer.h"
#include "live_display.h"
#include "output_folder.h"
#include "run_log.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kUnloadable = 2;

struct FileDigest {
    std::string path;  // as the first file at this path spelled it, as the file system keeps it
    uint64_t size = 0;
    Digest128 digest;
};

// Path key to the last file written there.
using ArchiveDigests = std::map<std::string, FileDigest>;

class DigestDestination : public ExportDestination {
public:
    explicit DigestDestination(ArchiveDigests& digests) : digests_(digests) {}

    bool BeginFile(const ExportedFile& file) override
    {
        // In an empty folder a file that does not make its folder is never made.
        if (!file.createsFolders)
            return false;
        path_ = file.path;
        size_ = 0;
        digest_ = ContentDigest();
        return true;
    }
    void WriteBytes(const uint8_t* bytes, size_t size) override
    {
        digest_.Add(bytes, size);
        size_ += size;
    }
    void EndFile() override
    {
        const auto placed = digests_.try_emplace(PathKey(path_));
        if (placed.second)
            placed.first->second.path = path_;
        placed.first->second.size = size_;
        placed.first->second.digest = digest_.Finish();
    }
    // A file whose bytes cannot be had cannot be compared: the mode fails as any
    // allocation that fails.
    void AbandonFile(FileAbandoned) override { throw std::bad_alloc(); }

private:
    ArchiveDigests& digests_;
    std::string path_;
    uint64_t size_ = 0;
    ContentDigest digest_;
};

struct Change {
    std::string path;
    char kind;  // 'A', 'D' or 'M'
    const FileDigest* before;
    const FileDigest* after;
};

// Extracts the archive into digests. On a load failure logs it and returns false.
bool DigestArchive(FFZone& zone, const std::string& given, const CliOptions& options, ArchiveDigests& digests)
{
    DigestDestination destination(digests);
    if (!WalkArchive(zone, given, options, destination))
        return false;
    ResetZone(zone);
    return true;
}

std::vector<Change> Compare(const ArchiveDigests& before, const ArchiveDigests& after)
{
    std::vector<Change> changes;
    for (const auto& [key, old] : before) {
        const auto found = after.find(key);
        if (found == after.end())
            changes.push_back({old.path, 'D', &old, nullptr});
        else if (found->second.size != old.size || found->second.digest != old.digest)
            changes.push_back({found->second.path, 'M', &old, &found->second});
    }
    for (const auto& [key, added] : after)
        if (before.find(key) == before.end())
            changes.push_back({added.path, 'A', nullptr, &added});
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.path < b.path; });
    return changes;
}

std::string SizeOrNull(const FileDigest* file)
{
    return file ? std::to_string(file->size) : "null";
}

std::string ChangeLine(const Change& change, bool json)
{
    if (json) {
        const char* kind = change.kind == 'A' ? "added" : change.kind == 'D' ? "removed" : "changed";
        return "{\"path\":" + JsonString(change.path) + ",\"change\":\"" + kind + "\",\"old_size\":" +
               SizeOrNull(change.before) + ",\"new_size\":" + SizeOrNull(change.after) + "}\n";
    }
    std::string line = std::string(1, change.kind) + " " + Printable(change.path) + " ";
    if (change.kind == 'M')
        return line + SizeOrNull(change.before) + " -> " + SizeOrNull(change.after) + "\n";
    return line + SizeOrNull(change.before ? change.before : change.after) + "\n";
}

}  // namespace

int RunDiffMode(const CliOptions& options)
{
    LiveDisplay display(false);
    RunLog log(display, options.logFile);
    if (!log.Ready())
        return kUnloadable;
    FFZone zone;
    ArchiveDigests before, after;
    if (!DigestArchive(zone, options.files[0], options, before) || !DigestArchive(zone, options.files[1], options, after))
        return kUnloadable;
    const std::vector<Change> changes = Compare(before, after);
    for (const Change& change : changes) {
        const std::string line = ChangeLine(change, options.json);
        fwrite(line.data(), 1, line.size(), stdout);
    }
    fflush(stdout);
    return changes.empty() ? 0 : 1;
}
