#include "ff_zone.h"

#include <cstdlib>

FFZone::~FFZone()
{
    if (soundListOpen && soundList)
        fclose(soundList);
    free(zoneData);
    free(scratchData);
}
