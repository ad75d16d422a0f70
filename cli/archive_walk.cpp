#include "archive_walk.h"

#include "fastfile_load.h"
#include "ff_job.h"
#include "list_mode.h"
#include "program_log.h"
#include "raw_export.h"

bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination)
{
    zone.path = AbsolutePath(given);
    const int32_t result = LoadAndLocate(zone);
    if (result != kResultSuccess) {
        theLog.Log("(%s) Error: %s", MakeJob(zone.path, 0).name.c_str(), ResultMessage(result).c_str());
        return false;
    }
    WalkFiles(zone, options, destination, true);
    return true;
}

void WalkFiles(FFZone& zone, const CliOptions& options, ExportDestination& destination, bool firstWalk)
{
    ExportRequest request;
    request.stringTable = options.stringTable;
    request.selection = options.Selection();
    request.logRefusals = firstWalk;
    ExportFiles(zone, request, destination);
}
