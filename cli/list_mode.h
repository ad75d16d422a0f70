// vandrel --list: what each FastFile holds, read but never written anywhere. With --only
// or --filter, only the entries whose files extraction would take.
#pragma once

#include "cli_options.h"

// Returns the exit status: 0 when every file loaded, 1 otherwise.
int RunListMode(const CliOptions& options);

// A path made absolute the way every mode of the command does it.
std::string AbsolutePath(const std::string& path);
