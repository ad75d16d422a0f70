// vandrel [OPTIONS] FASTFILE...: extraction on background workers, each fed and watched
// exactly as the main window feeds and watches its one worker.
#pragma once

#include "cli_options.h"

// Returns the exit status: 0 when every job ended "Done" with all its files written; 1
// when any path was rejected, any job failed, or any file could not be written or was
// refused (the .dump included); kInterruptedStatus after Ctrl+C, SIGTERM or SIGHUP, once the
// jobs under way have stopped and the rows show what each job reached.
int RunExtractMode(const CliOptions& options);
