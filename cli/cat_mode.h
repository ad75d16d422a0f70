// vandrel --cat PATH FASTFILE: the bytes a full extraction of the FastFile would leave in
// the file at PATH, on stdout, with nothing written to disk.
#pragma once

#include "cli_options.h"

// Returns the exit status: 0 when the file is there (a reader that stops reading early
// included); 1 with "No such file in 'NAME': PATH" when extraction into an empty folder
// would make no file at PATH, or with the load error when the archive does not load.
int RunCatMode(const CliOptions& options);
