// Stage "Writing Files", and the walk over a located zone's entries that it and every
// other answer about the archive's files come from (which files there are, at which
// paths, with which bytes). Only the destination differs: a folder on disk, stdout, a
// digest per path.
#pragma once

#include "entry_selection.h"
#include "export_destination.h"
#include "ff_zone.h"

#include <atomic>

struct ExportRequest {
    bool stringTable = false;                   // StringTable.txt too
    const EntrySelection* selection = nullptr;  // null: every file of an entry
};

// Loads zone.path and runs everything the walk needs before it: the string and type
// lists and the scan for entries. Returns LoadFastFile's result, or kResultStopped when
// stopRequested was set before the scan was done.
int32_t LoadAndLocate(FFZone& zone, const std::atomic<bool>* stopRequested = nullptr);

// One archive's files without a job, for whatever answers about an archive without
// extracting it: LoadAndLocate, then, when the archive loaded, ExportFiles into
// destination. A load that fails is logged as a job's is, "(NAME) Error: MESSAGE" with
// zone.name; a stop is no failure. Returns LoadAndLocate's result.
int32_t LoadAndExport(FFZone& zone, const ExportRequest& request, ExportDestination& destination,
                      const std::atomic<bool>* stopRequested = nullptr);

// Hands destination every file that extraction of the located zone makes, in the order
// it makes them: the entries' files in zone order (a later file at the same path takes
// the place of the earlier one, as on disk, and the earlier one comes marked
// replacedLater, as a walk to the end would have it), then Refrenced_Sounds.txt, then
// StringTable.txt. Entries of size 1 or less make no file (they go to the sound list);
// unsafe names make none either (destination.Refused hears of them). The selection is
// asked about every entry's file; the two lists are made whatever it says. Returns the
// refusals and the number of files selected (WriteTally::writeErrors stays 0: failures
// are the destination's).
//
// A compressed script whose inflated bytes cannot be had (no memory for them) is
// abandoned (FileAbandoned::kNoMemory) and the walk goes on.
//
// When stopRequested is given and becomes true, the walk ends at the next entry boundary:
// the file under way is completed, unless it is a compressed script still being
// inflated or handed over, which is abandoned (FileAbandoned::kStopped); no later entry's
// file is made, and neither Refrenced_Sounds.txt nor StringTable.txt.
WriteTally ExportFiles(FFZone& zone, const ExportRequest& request, ExportDestination& destination,
                       const std::atomic<bool>* stopRequested = nullptr);

// ExportFiles into the archive's output folder on disk (OutputFolder); the tally counts
// the files that could not be written whole too.
WriteTally WriteFiles(FFZone& zone, const ExportRequest& request = ExportRequest(),
                      const std::atomic<bool>* stopRequested = nullptr);
