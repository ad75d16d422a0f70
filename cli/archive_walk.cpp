#include "archive_walk.h"

#include "ff_job.h"
#include "list_mode.h"
#include "raw_export.h"

bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination)
{
    zone.path = AbsolutePath(given);
    zone.name = MakeJob(zone.path, 0).name;
    ExportRequest request;
    request.stringTable = options.stringTable;
    request.selection = options.Selection();
    return LoadAndExport(zone, request, destination) == kResultSuccess;
}
