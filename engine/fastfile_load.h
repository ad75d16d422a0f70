// Opening a FastFile: header check and version class, the two-pass inflation of the
// body into the zone, the optional .dump of the zone, and emptying the zone after a job.
#pragma once

#include "ff_zone.h"

#include <climits>
#include <cstddef>
#include <string>

constexpr size_t kFastFileHeaderSize = 12;
constexpr int32_t kFirstInflateWindow = 8192;
// Zone and script sizes are 32-bit signed: a stream that inflates to more is refused.
constexpr int64_t kMaxInflatedLength = INT32_MAX;

// Classifies the first bytes of a file (fewer than 12 bytes is NotFastFile).
FastFileKind ClassifyHeader(const uint8_t* header, size_t length);

int32_t LoadFastFile(FFZone& zone);
// Same as LoadFastFile after the file has been read: header check plus inflation.
int32_t LoadFastFileFromMemory(FFZone& zone, const uint8_t* file, size_t length);
int32_t InflateZone(FFZone& zone, const uint8_t* body, int64_t bodyLength);
int InflateMeasured(uint8_t* destination, int64_t& windowLength, const uint8_t* source, int64_t sourceLength);
int32_t WriteDump(const FFZone& zone, const std::string& dumpPath);
std::string ResultMessage(int32_t code);
void ResetZone(FFZone& zone);
