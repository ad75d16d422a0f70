#include "ff_job.h"

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
