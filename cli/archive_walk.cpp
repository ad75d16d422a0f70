#include "archive_walk.h"

#include "fastfile_load.h"
#include "ff_job.h"
#include "list_mode.h"
#include "program_log.h"
#include "raw_export.h"

bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination,
                 const std::atomic<bool>* stopRequested)
{
    zone.path = AbsolutePath(given);
    const int32_t result = LoadAndLocate(zone, stopRequested, ZoneInflation::Growing);
    if (result != kResultSuccess) {
        if (result != kResultStopped)
            theLog.Log("(%s) Error: %s", MakeJob(zone.path, 0).name.c_str(), ResultMessage(result).c_str());
        return false;
    }
    ExportRequest request;
    request.stringTable = options.stringTable;
    request.selection = options.Selection();
    ExportFiles(zone, request, destination, stopRequested);
    return true;
}
