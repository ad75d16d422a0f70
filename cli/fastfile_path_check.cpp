#include "fastfile_path_check.h"

#include "ff_job.h"

#include <sys/stat.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

}  // namespace

std::string FastFileRejection(const std::string& path)
{
    // Split as the job will be: no folder part means no separator at all.
    const FFJob parts = MakeJob(path, -1);
    if (parts.folder.empty() || !Exists(parts.folder))
        return CantFindText(path);
    if (!Exists(path))
        return DoesNotExistText(path);
    if (!HasFastFileExtension(parts.name))
        return NotAFastFileText(parts.name);
    return std::string();
}
