// Reading the zone's little-endian fields, and keeping offsets worked out from them in
// the 32-bit range of the zone's cursor.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

inline uint32_t ReadUint32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

inline int32_t ReadInt32(const uint8_t* at)
{
    return int32_t(ReadUint32(at));
}

// Offsets computed from counts and lengths can leave the 32-bit range; past either end
// of the zone every later read fails anyway, so clamping keeps the same results.
inline int32_t ClampOffset(int64_t offset)
{
    return int32_t(std::clamp<int64_t>(offset, INT32_MIN, INT32_MAX));
}
