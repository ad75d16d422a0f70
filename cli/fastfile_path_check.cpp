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
        return "Error Can't Find: " + path;
    if (!Exists(path))
        return "File dose not Exsist: " + path;
    const std::string& name = parts.name;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot + 1, std::string::npos, "ff") != 0)
        return "Not a FastFile: '" + name + "'";
    return std::string();
}
