#include "file_wildcards.h"

#ifdef _WIN32
#include <algorithm>
#include <cstring>
#include <windows.h>

namespace {

bool LessWithoutCase(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) < 0;
}

// The files the pattern matches, each with the pattern's folder part in front.
std::vector<std::string> Matches(const std::string& pattern)
{
    const size_t cut = pattern.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found.push_back(folder + data.cFileName);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    std::sort(found.begin(), found.end(), LessWithoutCase);
    return found;
}

}  // namespace

std::vector<std::string> ExpandFileWildcards(const std::vector<std::string>& files)
{
    std::vector<std::string> expanded;
    for (const std::string& file : files) {
        const std::vector<std::string> found =
            file.find_first_of("*?") == std::string::npos ? std::vector<std::string>() : Matches(file);
        if (found.empty())
            expanded.push_back(file);
        else
            expanded.insert(expanded.end(), found.begin(), found.end());
    }
    return expanded;
}
#else
std::vector<std::string> ExpandFileWildcards(const std::vector<std::string>& files)
{
    return files;
}
#endif
