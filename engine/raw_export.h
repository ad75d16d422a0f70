// Stage "Writing Files": every located entry with data becomes a file in the archive's
// output folder; entries without data go to the referenced-sound list.
#pragma once

#include "ff_zone.h"

void WriteFiles(FFZone& zone);
