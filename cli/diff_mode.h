// vandrel --diff OLD.ff NEW.ff: the files that extraction of the two archives would write
// differently (same options for both), with nothing written to disk. One archive's zone
// is held at a time, and of each file only its path, size and digest.
#pragma once

#include "cli_options.h"

// Prints one line per path added ("A path size"), removed ("D path size") or changed in
// its bytes ("M path oldsize -> newsize"), sorted by path in byte order; with --json one
// object per path. Returns 0 when both would write the same files, 1 when they differ,
// 2 when either archive does not load (with the load error).
int RunDiffMode(const CliOptions& options);
