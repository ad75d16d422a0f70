// One archive's files for the modes that answer without extracting (--cat, --diff): the
// archive is loaded and located as a job would load it, and its files are handed to a
// destination exactly as extraction with the run's options would make them.
#pragma once

#include "cli_options.h"
#include "export_destination.h"
#include "ff_zone.h"

#include <string>

// Loads the FastFile given on the command line into zone and walks its files into
// destination. False when it does not load; the failure is logged as a job's is
// ("(NAME) Error: MESSAGE").
bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination);
// Walks the files of a loaded zone into destination; only the first walk of a zone logs
// the names it refuses.
void WalkFiles(FFZone& zone, const CliOptions& options, ExportDestination& destination, bool firstWalk);
