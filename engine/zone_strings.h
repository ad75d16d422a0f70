// The zone header, its string list and its asset type list.
#pragma once

#include "ff_zone.h"

constexpr int32_t kMaxZoneString = 1024;  // the terminator must lie within this many bytes

std::string ReadZoneString(FFZone& zone);
void ParseStrings(FFZone& zone);
void ParseAssetTypes(FFZone& zone);
