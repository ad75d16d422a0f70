#include "drop_intake.h"

#include "ff_job.h"

#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>

namespace {

bool FileExists(const std::string& path) {
    // The 64-bit size: a FastFile of 2 GiB or more exists as much as a small one.
    struct _stat64 status;
    return ::_stat64(path.c_str(), &status) == 0;
}

}  // namespace

DroppedPath CheckDroppedPath(const std::string& path) {
    DroppedPath dropped;
    dropped.path = path;
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos) {
        dropped.rejection = CantFindText(path);
        return dropped;
    }
    dropped.folder = path.substr(0, cut);
    dropped.name = path.substr(cut + 1);
    if (::GetFileAttributesA(dropped.folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        dropped.rejection = CantFindText(path);
    else if (!FileExists(path))
        dropped.rejection = DoesNotExistText(path);
    else if (!HasFastFileExtension(dropped.name))
        dropped.rejection = NotAFastFileText(dropped.name);
    return dropped;
}

std::vector<std::string> DroppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first, a long path is never cut to a shorter one that
        // might name another file.
        std::string path(::DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
        path.resize(::DragQueryFileA(drop, i, &path[0], static_cast<UINT>(path.size())));
        paths.push_back(path);
    }
    return paths;
}

namespace {

std::string FullPath(const char* given) {
    const DWORD size = ::GetFullPathNameA(given, 0, nullptr, nullptr);
    std::string full(size, '\0');
    const DWORD length = size ? ::GetFullPathNameA(given, size, &full[0], nullptr) : 0;
    // Otherwise the checks say what is wrong with it.
    return length == 0 || length >= size ? given : full.substr(0, length);
}

}  // namespace

StartupFiles StartupFilesFrom(int argc, char** argv) {
    StartupFiles files;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--browse") == 0 && i + 1 < argc)
            files.browse.push_back(FullPath(argv[++i]));
        else
            files.extract.push_back(FullPath(argv[i]));
    }
    return files;
}
