// Locating embedded files by their names: every dot that starts a known extension is
// traced back to its record marker and the record is read into a ZoneEntry.
#pragma once

#include "ff_zone.h"

void LocateFiles(FFZone& zone);
void ReadEntry(FFZone& zone, EntryType type);
std::string ReadSoundName(FFZone& zone);
