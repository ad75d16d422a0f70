// StringTable.txt: the zone's string list, one string per line, in the output folder.
#pragma once

#include "ff_zone.h"

#include <string>

constexpr char kStringTableName[] = "StringTable.txt";
constexpr char kStringTableHeader[] = "// Kest_Ryn: Vandrel - String Table Dump\n\n";

// The whole file: the header, then every string of the list on a line of its own. An
// archive with an empty list gets no file.
std::string StringTableText(const FFZone& zone);
