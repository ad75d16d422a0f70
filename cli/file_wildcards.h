// FastFile arguments with wildcards. A shell expands "*.ff" before the program starts;
// the Windows command prompt hands it over as it stands, so there the program expands
// the FastFile arguments itself, and nothing else: a --filter glob stays a glob.
#pragma once

#include <string>
#include <vector>

// On Windows, every argument holding '*' or '?' becomes the files it matches, sorted by
// name without case (as the file system lists them), or stays as it is when it matches
// none. Elsewhere the arguments come back unchanged.
std::vector<std::string> ExpandFileWildcards(const std::vector<std::string>& files);
