// Where an archive's files go: the per-archive output folder, the program's own folder,
// the platform's path separator, and the checks and helpers every output stage shares.
#pragma once

#include "ff_zone.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The folder of the running program, without a trailing separator.
std::string GetProgramFolder();

// The archive's output folder, ending in a separator: the FastFile's folder (or the
// program's folder when zone.folder is empty), then the file name less its ".ff".
std::string OutputFolder(const FFZone& zone);
// The same for an archive named name whose output goes under folder.
std::string OutputFolder(const std::string& folder, const std::string& name);

// Turns both kinds of slash into the platform's separator.
std::string ToNativeSeparators(std::string path);

// A path inside the output folder as the file system resolves it: '/' between its parts,
// and the empty and "." parts that the file system skips left out ("maps//./dm.gsc" and
// "maps\dm.gsc" are both "maps/dm.gsc").
std::string NormalOutputPath(const std::string& path);

// One character of a path as the platform's file system compares it: ASCII letters
// without case on Windows, every byte as it is elsewhere.
inline char FoldPathChar(char c)
{
#ifdef _WIN32
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
#else
    return c;
#endif
}

// Two paths that name the same file have the same key: on Windows letters without case,
// and the dots and blanks that end a component left out.
std::string PathKey(std::string path);

// False for an entry name that could leave the output folder: empty, absolute, with a
// drive or any other colon, with a ".." component (or one of dots that Windows would
// fold into one), or ending in a separator or in "." (a folder, not a file). Both '/'
// and '\' count as separators.
bool IsSafeEntryName(const std::string& name);

// Creates everything before the path's last separator, with all missing parents.
// Failures are not reported: the open that follows fails and says so.
void CreateParentFolders(const std::string& path);

// Logs that the file at path could not be made or written whole: "Permissions Required
// to write: %s" when error (an errno value) is EACCES, "Failed To write: %s" otherwise.
void LogWriteFailure(const std::string& path, int error);

// Creates or truncates path for byte-exact writing. On failure logs it (LogWriteFailure)
// and returns null.
FILE* OpenOutputFile(const std::string& path);
