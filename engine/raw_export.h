// Stage "Writing Files": every located entry with data becomes a file in the archive's
// output folder; entries without data go to the referenced-sound list.
#pragma once

#include "ff_zone.h"

#include <atomic>

// Returns what could not be written or was refused. When stopRequested is given and
// becomes true, the stage ends at the next entry boundary: the file being written is
// completed, no later entry is written, and the sound list is closed as always.
WriteTally WriteFiles(FFZone& zone, const std::atomic<bool>* stopRequested = nullptr);
