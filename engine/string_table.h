// StringTable.txt: the zone's string list, one string per line, in the output folder.
#pragma once

#include "ff_zone.h"

constexpr char kStringTableName[] = "StringTable.txt";
constexpr char kStringTableHeader[] = "// Kest_Ryn: Vandrel - String Table Dump\n\n";

// Writes nothing for an empty list. Does not create the output folder. Returns false only
// when the file could not be created (the failure is logged).
bool WriteStringTable(FFZone& zone);
