// vandrel [OPTIONS] FASTFILE...: extraction on the background worker, fed and watched
// exactly as the main window feeds and watches it.
#pragma once

#include "cli_options.h"

// Returns the exit status: 0 when every job ended "Done" with all its files written; 1
// when any path was rejected, any job failed, or any file could not be written or was
// refused (the .dump included).
int RunExtractMode(const CliOptions& options);
