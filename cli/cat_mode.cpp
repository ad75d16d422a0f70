#include "cat_mode.h"

#include "archive_walk.h"
#include "file_bytes_destination.h"
#include "ff_job.h"
#include "live_display.h"
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
    FileBytesDestination cat(options.catPath);
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
