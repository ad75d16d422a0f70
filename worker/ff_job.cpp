#include "ff_job.h"

#include "ff_zone.h"

FFJob MakeJob(const std::string& path, int32_t row)
{
    FFJob job;
    job.path = path;
    job.row = row;
#ifdef _WIN32
    size_t cut = path.find_last_of("\\/");
#else
    size_t cut = path.find_last_of('/');
#endif
    if (cut == std::string::npos) {
        job.name = path;
    } else {
        job.name = path.substr(cut + 1);
        // A file in the root keeps the root as its folder: empty would mean the program's.
        job.folder = cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
    }
    return job;
}

bool HasFastFileExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot + 1, std::string::npos, "ff") == 0;
}

std::string CantFindText(const std::string& path) { return "Error Can't Find: " + path; }

std::string DoesNotExistText(const std::string& path) { return "File dose not Exsist: " + path; }

std::string NotAFastFileText(const std::string& name) { return "Not a FastFile: '" + name + "'"; }

const char* LoadFailureStatus(int32_t result)
{
    return result == kResultNotFastFile ? kCorruptStatus : kCheckLogStatus;
}
