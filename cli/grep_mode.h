// vandrel --grep PATTERN FASTFILE...: the lines of the files that a full extraction of
// each FastFile (with the same options) would write that match the pattern, read in
// memory, with nothing written to disk.
#pragma once

#include "cli_options.h"

// Prints FASTFILE:PATH:LINE:TEXT per matching line (with -l FASTFILE:PATH per file; with
// --json one object a line): archives in the given order, files in the order extraction
// writes them, lines in order, whatever -j is. Returns 0 when something matched, 1 when
// nothing did, 2 when the pattern does not compile or an archive could not be read (the
// others are still searched), 130 after Ctrl+C.
int RunGrepMode(const CliOptions& options);
