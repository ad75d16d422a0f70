// stdout for the modes that print bytes from an archive: binary on Windows too (no LF
// becomes CR LF), and a reader that goes away early (| head) is no failure.
#pragma once

#include <cstddef>

enum class StdoutResult { kWritten, kReaderGone, kFailed };

void UseBinaryStdout();
// Writes the bytes, and with flush empties stdout's buffer too.
StdoutResult WriteToStdout(const void* bytes, size_t size, bool flush);
