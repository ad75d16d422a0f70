#include "cat_mode.h"

#include "archive_walk.h"
#include "ff_job.h"
#include "live_display.h"
#include "output_folder.h"
#include "run_log.h"
#include "stdout_bytes.h"

#include <cstdio>
#include <new>
#include <string>

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
        if (written_ == StdoutResult::kWritten)
            written_ = WriteToStdout(bytes, size, false);
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
    // How the bytes went to stdout, its buffer emptied.
    StdoutResult Finish()
    {
        if (written_ == StdoutResult::kWritten)
            written_ = WriteToStdout("", 0, true);
        return written_;
    }

private:
    const std::string wanted_;
    bool writing_ = false;
    int met_ = 0;   // files at the wanted path so far in this walk
    int last_ = 0;  // which of them is the last one; 0: none
    StdoutResult written_ = StdoutResult::kWritten;  // the first write that did not go
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
    cat.StartWriting();
    WalkFiles(zone, options, cat);
    if (cat.Finish() != StdoutResult::kFailed)
        return 0;
    fprintf(stderr, "vandrel: cannot write to stdout\n");
    return 1;
}
