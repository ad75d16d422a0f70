// StringTable.txt: the zone's string list, one string per line, in the output folder.
#pragma once

#include "ff_zone.h"

constexpr char kStringTableName[] = "StringTable.txt";
constexpr char kStringTableHeader[] = "// Kest_Ryn: Vandrel - String Table Dump\n\n";

// Writes nothing for an empty list. Does not create the output folder.
void WriteStringTable(FFZone& zone);
