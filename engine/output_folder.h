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
// The same for a FastFile named name in folder (empty: the program's folder).
std::string OutputFolderFor(const std::string& folder, const std::string& name);

// Turns both kinds of slash into the platform's separator.
std::string ToNativeSeparators(std::string path);

// False for an entry name that could leave the output folder: empty, absolute, with a
// drive or any other colon, with a ".." component (or one of dots that Windows would
// fold into one), or ending in a separator. Both '/' and '\' count as separators.
bool IsSafeEntryName(const std::string& name);

// Creates everything before the path's last separator, with all missing parents.
// Failures are not reported: the open that follows fails and says so.
void CreateParentFolders(const std::string& path);

// Creates or truncates path for byte-exact writing. On failure logs "Permissions
// Required to write: %s" (access denied) or "Failed To write: %s" and returns null.
FILE* OpenOutputFile(const std::string& path);
