// One archive's files for the modes that answer without extracting (--cat, --diff,
// --grep): the run's options become the walk's request, and LoadAndExport loads the
// archive as a job would and hands its files to a destination exactly as extraction
// would make them.
#pragma once

#include "cli_options.h"
#include "export_destination.h"
#include "ff_zone.h"

#include <atomic>
#include <string>

// Loads the FastFile given on the command line into zone and walks its files into
// destination. False when it does not load; the failure is logged as a job's is
// ("(NAME) Error: MESSAGE"). Once stopRequested is set, the load or the walk ends soon
// (the walk at its next entry boundary), and a load cut short returns false unlogged.
bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination,
                 const std::atomic<bool>* stopRequested = nullptr);
// Walks the files of a loaded zone into destination again.
void WalkFiles(FFZone& zone, const CliOptions& options, ExportDestination& destination);
