#include "ff_zone.h"

#include "zone_memory.h"

#include <cstdlib>

FFZone::~FFZone()
{
    ReleaseZoneData(*this);
    free(scratchData);
}
