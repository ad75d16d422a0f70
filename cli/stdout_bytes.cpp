#include "stdout_bytes.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// A reader that went away has all it wanted.
bool ReaderWentAway(int error)
{
#ifdef _WIN32
    return error == EPIPE || error == EINVAL;
#else
    return error == EPIPE;
#endif
}

}  // namespace

void UseBinaryStdout()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#else
    signal(SIGPIPE, SIG_IGN);
#endif
}

StdoutResult WriteToStdout(const void* bytes, size_t size, bool flush)
{
    errno = 0;
    if (fwrite(bytes, 1, size, stdout) == size && (!flush || fflush(stdout) == 0))
        return StdoutResult::kWritten;
    return ReaderWentAway(errno) ? StdoutResult::kReaderGone : StdoutResult::kFailed;
}
