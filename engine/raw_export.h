// Stage "Writing Files", and the walk over a located zone's entries that it and every
// other answer about the archive's files come from (which files there are, at which
// paths, with which bytes). Only the destination differs: a folder on disk, stdout, a
// digest per path.
#pragma once

#include "entry_selection.h"
#include "export_destination.h"
#include "fastfile_load.h"
#include "ff_zone.h"

#include <atomic>

struct ExportRequest {
    bool stringTable = false;                   // StringTable.txt too
    const EntrySelection* selection = nullptr;  // null: every file of an entry
};

// Loads zone.path and runs everything the walk needs before it: the string and type
// lists and the scan for entries. Returns LoadFastFile's result.
int32_t LoadAndLocate(FFZone& zone, const std::atomic<bool>* stopRequested = nullptr,
                      ZoneInflation inflation = ZoneInflation::Measured);

// Hands destination every file that extraction of the located zone makes, in the order
// it makes them: the entries' files in zone order (a later file at the same path takes
// the place of the earlier one, as on disk, and the earlier one comes marked
// replacedLater, as a walk to the end would have it), then Refrenced_Sounds.txt, then
// StringTable.txt. Entries of size 1 or less make no file (they go to the sound list);
// unsafe names make none either ("Unsafe path refused: " is logged). The selection is
// asked about every entry's file; the two lists are made whatever it says. Returns the
// refusals and the number of files selected (WriteTally::writeErrors stays 0: failures
// are the destination's).
//
// When stopRequested is given and becomes true, the walk ends at the next entry boundary:
// the file under way is completed, no later entry's file is made, the sound list is
// still made and StringTable.txt is not.
WriteTally ExportFiles(FFZone& zone, const ExportRequest& request, ExportDestination& destination,
                       const std::atomic<bool>* stopRequested = nullptr);

// ExportFiles into the archive's output folder on disk (OutputFolder); the tally counts
// the files that could not be written too.
WriteTally WriteFiles(FFZone& zone, const ExportRequest& request = ExportRequest(),
                      const std::atomic<bool>* stopRequested = nullptr);
