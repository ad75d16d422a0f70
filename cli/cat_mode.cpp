#include "cat_mode.h"

#include "archive_walk.h"
#include "ff_job.h"
#include "live_display.h"
#include "output_folder.h"
#include "run_log.h"
#include "stdout_bytes.h"

#include <cstdio>
#include <string>

namespace {

// Keeps the bytes of the last file at the wanted path: a later file at the same path
// takes the place of an earlier one, as on disk.
class CatDestination : public ExportDestination {
public:
    explicit CatDestination(const std::string& path) : wanted_(PathKey(NormalOutputPath(path))) {}

    bool BeginFile(const ExportedFile& file) override
    {
        // In an empty folder a file that does not make its folder is never made.
        if (!file.createsFolders || PathKey(file.path) != wanted_)
            return false;
        found_ = true;
        bytes_.clear();
        return true;
    }
    void WriteBytes(const uint8_t* bytes, size_t size) override { bytes_.append(reinterpret_cast<const char*>(bytes), size); }
    void EndFile() override {}

    bool Found() const { return found_; }
    const std::string& Bytes() const { return bytes_; }

private:
    const std::string wanted_;
    bool found_ = false;
    std::string bytes_;
};

}  // namespace

int RunCatMode(const CliOptions& options)
{
    LiveDisplay display(false);
    RunLog log(display, options.logFile);
    if (!log.Ready())
        return 1;
    FFZone zone;
    CatDestination cat(options.catPath);
    if (!WalkArchive(zone, options.files[0], options, cat))
        return 1;
    if (!cat.Found()) {
        fprintf(stderr, "No such file in '%s': %s\n", MakeJob(zone.path, 0).name.c_str(), options.catPath.c_str());
        return 1;
    }

    UseBinaryStdout();
    const std::string& bytes = cat.Bytes();
    if (WriteToStdout(bytes.data(), bytes.size(), true) != StdoutResult::kFailed)
        return 0;
    fprintf(stderr, "vandrel: cannot write to stdout\n");
    return 1;
}
