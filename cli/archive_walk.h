// One archive's files for the modes that answer without extracting (--cat, --diff,
// --grep): the archive is loaded and located as a job would load it, and its files are
// handed to a destination exactly as extraction with the run's options would make them.
// The zone is only ever looked at in memory, so it is inflated in one pass.
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
