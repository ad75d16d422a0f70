#include "ff_zone.h"

#include <cstdlib>

FFZone::~FFZone()
{
    free(zoneData);
    free(scratchData);
}
