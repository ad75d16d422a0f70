#include "cat_mode.h"

#include "archive_walk.h"
#include "ff_job.h"
#include "live_display.h"
#include "output_folder.h"
#include "run_log.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// The last file at the wanted path, found by one walk and written to stdout by a second,
// as that walk hands its bytes over: a later file at the same path takes the place of an
// earlier one, as on disk, and the bytes are never copied.
class CatDestination : public ExportDestination {
public:
    explicit CatDestination(const std::string& path) : wanted_(PathKey(NormalOutputPath(path))) {}

    // From now on the walk writes the last file found to stdout.
    void StartWriting()
    {
        writing_ = true;
        met_ = 0;
    }

    bool BeginFile(const ExportedFile& file) override
    {
        // In an empty folder a file that does not make its folder is never made.
        if (!file.createsFolders || PathKey(file.path) != wanted_)
            return false;
        ++met_;
        if (!writing_)
            last_ = met_;
        return writing_ && met_ == last_;
    }
    void WriteBytes(const uint8_t* bytes, size_t size) override
    {
        if (writeError_ != 0)
            return;
        errno = 0;
        if (fwrite(bytes, 1, size, stdout) != size)
            writeError_ = errno != 0 ? errno : EIO;
    }
    void EndFile() override {}
    // The first walk has logged the names it refused.
    void Refused(const ExportedFile& file) override
    {
        if (!writing_)
            ExportDestination::Refused(file);
    }
    // The one file asked for cannot be had: the mode fails as any allocation that fails.
    void AbandonFile(FileAbandoned) override { throw std::bad_alloc(); }

    bool Found() const { return last_ > 0; }
    // The errno of the first write to stdout that failed; 0 while none did.
    int WriteError() const { return writeError_; }

private:
    const std::string wanted_;
    bool writing_ = false;
    int met_ = 0;   // files at the wanted path so far in this walk
    int last_ = 0;  // which of them is the last one; 0: none
    int writeError_ = 0;
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
    cat.StartWriting();
    WalkFiles(zone, options, cat);
    errno = 0;
    const int error = cat.WriteError() != 0 ? cat.WriteError() : fflush(stdout) == 0 ? 0 : errno;
    if (error == 0 || ReaderWentAway(error))
        return 0;
    fprintf(stderr, "vandrel: cannot write to stdout\n");
    return 1;
}
