#include "fastfile_path_check.h"

#include <sys/stat.h>

namespace {

#ifdef _WIN32
const char* const kSeparators = "\\/";
#else
const char* const kSeparators = "/";
#endif

bool Exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

}  // namespace

std::string FastFileRejection(const std::string& path)
{
    const size_t cut = path.find_last_of(kSeparators);
    if (cut == std::string::npos)
        return "Error Can't Find: " + path;
    const std::string folder = cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
    if (!Exists(folder))
        return "Error Can't Find: " + path;
    if (!Exists(path))
        return "File dose not Exsist: " + path;
    const std::string name = path.substr(cut + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot + 1, std::string::npos, "ff") != 0)
        return "Not a FastFile: '" + name + "'";
    return std::string();
}
