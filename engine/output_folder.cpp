#include "output_folder.h"

#include "program_log.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include <filesystem>
#include <system_error>
#include <unistd.h>
#endif

namespace {

bool IsSlash(char c)
{
    return c == '/' || c == '\\';
}

// Windows drops trailing dots and blanks from a path component, so "..." or ". ." would
// be read as a step up as well.
bool StepsUp(const std::string& component)
{
    size_t dots = 0;
    for (char c : component) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

}  // namespace

std::string GetProgramFolder()
{
    std::string path;
#ifdef _WIN32
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    path.assign(buffer, length < MAX_PATH ? length : MAX_PATH);
#else
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (length > 0)
        path.assign(buffer, static_cast<size_t>(length));
#endif
    size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos)
        path.erase(cut);
    return path;
}

std::string OutputFolder(const FFZone& zone)
{
    return OutputFolder(zone.folder, zone.name);
}

std::string OutputFolder(const std::string& folder, const std::string& name)
{
    std::string path = folder.empty() ? GetProgramFolder() : folder;
    size_t stemLength = name.size() >= 3 ? name.size() - 3 : 0;
    path += kPathSeparator;
    path.append(name, 0, stemLength);
    path += kPathSeparator;
    return path;
}

std::string ToNativeSeparators(std::string path)
{
    for (char& c : path) {
        if (IsSlash(c))
            c = kPathSeparator;
    }
    return path;
}

std::string NormalOutputPath(const std::string& path)
{
    std::string normal;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        const size_t length = end - start;
        if (length > 0 && !(length == 1 && path[start] == '.')) {
            if (!normal.empty())
                normal += '/';
            normal.append(path, start, length);
        }
        start = end + 1;
    }
    return normal;
}

std::string PathKey(std::string path)
{
    for (char& c : path)
        c = FoldPathChar(c);
#ifdef _WIN32
    // Windows drops the dots and blanks that end a component: "a." and "a " name "a". A
    // component of nothing else ("." or "..") keeps its meaning.
    std::string key;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        size_t last = end;
        while (last > start && (path[last - 1] == '.' || path[last - 1] == ' '))
            --last;
        key.append(path, start, (last > start ? last : end) - start);
        if (end < path.size())
            key += path[end];
        start = end + 1;
    }
    return key;
#else
    return path;
#endif
}

bool IsSafeEntryName(const std::string& name)
{
    if (name.empty() || IsSlash(name.front()) || IsSlash(name.back()))
        return false;
    if (name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    std::string component;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        component = name.substr(start, end - start);
        if (StepsUp(component))
            return false;
        start = end + 1;
    }
    // "a/." names the folder a itself, not a file in it.
    return component != ".";
}

void CreateParentFolders(const std::string& path)
{
    size_t cut = path.find_last_of(kPathSeparator);
    if (cut == std::string::npos || cut == 0)
        return;
    std::string folder = path.substr(0, cut);
#ifdef _WIN32
    // SHCreateDirectoryExA takes only full paths.
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(folder.c_str(), sizeof(full), full, nullptr);
    if (length > 0 && length < sizeof(full))
        folder.assign(full, length);
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
#else
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
#endif
}

void LogWriteFailure(const std::string& path, int error)
{
    if (error == EACCES)
        theLog.LogError("Permissions Required to write: %s", path.c_str());
    else
        theLog.LogError("Failed To write: %s", path.c_str());
}

FILE* OpenOutputFile(const std::string& path)
{
    errno = 0;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        LogWriteFailure(path, errno);
    return file;
}
