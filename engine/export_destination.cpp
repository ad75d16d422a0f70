#include "export_destination.h"

#include "program_log.h"

void ExportDestination::Refused(const ExportedFile& file)
{
    theLog.LogError("Unsafe path refused: %s", file.entry ? file.entry->name.c_str() : file.path.c_str());
}
