// The memory a zone is inflated into: address space reserved once and committed front to
// back as the zone grows into it, so that growing never moves or copies a byte
// (VirtualAlloc on Windows, mmap elsewhere). A zone may also sit in a malloc block.
#pragma once

#include "ff_zone.h"

#include <cstdint>

// Reserves address space for up to `most` bytes (less where that much cannot be had, but
// at least `least`) and commits its first `first` bytes. False, with the zone left
// empty, when not even `least` bytes could be reserved.
bool ReserveZone(FFZone& zone, int64_t most, int64_t least, int32_t first);
// Commits the reservation up to `capacity` bytes; false when it does not reach that far
// or the system has no memory left for it.
bool CommitZone(FFZone& zone, int32_t capacity);
// The zone is filled: gives back the reservation past the committed bytes where the
// platform can, and lets the address sanitizer see a read past the zone's last byte.
void FinishZone(FFZone& zone);
// Frees the zone's memory the way it was had, reserved or malloc'ed; the zone is empty.
void ReleaseZoneData(FFZone& zone);
