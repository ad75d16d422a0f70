// vandrel [OPTIONS] FASTFILE...: extraction on the background worker, fed and watched
// exactly as the main window feeds and watches it.
#pragma once

#include "cli_options.h"

// Returns the exit status: 0 when every job ended "Done", 1 when any job failed or any
// path was rejected.
int RunExtractMode(const CliOptions& options);
