#include "archive_walk.h"

#include "ff_job.h"
#include "list_mode.h"
#include "raw_export.h"

namespace {

ExportRequest RequestFor(const CliOptions& options)
{
    ExportRequest request;
    request.stringTable = options.stringTable;
    request.selection = options.Selection();
    return request;
}

}  // namespace

bool WalkArchive(FFZone& zone, const std::string& given, const CliOptions& options, ExportDestination& destination,
                 const std::atomic<bool>* stopRequested)
{
    zone.path = AbsolutePath(given);
    zone.name = MakeJob(zone.path, 0).name;
    return LoadAndExport(zone, RequestFor(options), destination, stopRequested) == kResultSuccess;
}

void WalkFiles(FFZone& zone, const CliOptions& options, ExportDestination& destination)
{
    ExportFiles(zone, RequestFor(options), destination);
}
