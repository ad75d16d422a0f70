#include "cat_mode.h"

#include "archive_walk.h"
#include "ff_job.h"
#include "live_display.h"
#include "output_folder.h"
#include "run_log.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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

// A reader that went away (| head) has all it wanted: that is no failure.
bool ReaderWentAway(int error)
{
#ifdef _WIN32
    return error == EPIPE || error == EINVAL;
#else
    return error == EPIPE;
#endif
}

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

#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#else
    signal(SIGPIPE, SIG_IGN);
#endif
    errno = 0;
    const std::string& bytes = cat.Bytes();
    if (fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && fflush(stdout) == 0)
        return 0;
    if (ReaderWentAway(errno))
        return 0;
    fprintf(stderr, "vandrel: cannot write to stdout\n");
    return 1;
}
