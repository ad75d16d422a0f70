// Refrenced_Sounds.txt: the names of the entries a Version387 archive refers to without
// carrying their data, one per line, written while the stage "Writing Files" runs.
#pragma once

#include "ff_zone.h"

#include <string>

constexpr char kSoundListName[] = "Refrenced_Sounds.txt";
constexpr char kSoundListHeader[] = "// Kest_Ryn: Vandrel - Sound Refrence List\n\n";

// Opens the list in outputFolder (which ends in a separator) for Version387 archives only.
// Returns false only when the list was due but could not be created (the failure is logged).
bool OpenSoundList(FFZone& zone, const std::string& outputFolder);
// Adds one name while the list is open; does nothing otherwise.
void AddToSoundList(FFZone& zone, const std::string& name);
void CloseSoundList(FFZone& zone);
