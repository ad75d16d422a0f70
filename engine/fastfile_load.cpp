#include "fastfile_load.h"

#include "engine_work.h"
#include "zone_memory.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr uInt kMeasureRoom = 256 * 1024;

// The body, and a zone inflated after it was measured, are filled once, front to back,
// right after they are allocated. For large ones, ask Linux for huge pages: tens of
// thousands of page faults otherwise cost a tenth of an inflate. Released with free().
uint8_t* AllocateLarge(size_t size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kHugePage = size_t(2) << 20;
    if (size >= 4 * kHugePage) {
        void* memory = nullptr;
        if (posix_memalign(&memory, kHugePage, size) != 0)
            return nullptr;
        madvise(memory, size, MADV_HUGEPAGE);
        return static_cast<uint8_t*>(memory);
    }
#endif
    return static_cast<uint8_t*>(malloc(size));
}

int32_t OpenFailure(int error)
{
    return error == EACCES ? kResultAccessDenied : kResultCantOpen;
}

int64_t FileSize(FILE* file)
{
#ifdef _WIN32
    struct _stati64 status;
    if (_fstati64(_fileno(file), &status) != 0)
        return -1;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0)
        return -1;
#endif
    return int64_t(status.st_size);
}

// A block of exactly `size` bytes, for a zone inflated after it was measured.
bool AllocateZone(FFZone& zone, int64_t size)
{
    ReleaseZoneData(zone);
    zone.zoneData = AllocateLarge(size_t(size));
    if (!zone.zoneData)
        return false;
    zone.zoneCapacity = int32_t(size);
    return true;
}

// The one inflate loop. The output fills destination[0, windowLength); once that is used
// up, grow (when given) is asked for more room in place and returns the new length, and
// once no more is to be had the rest is only measured. More than `largest` bytes are
// refused. Every byte inflate gives is counted as it comes (CountInflated).
int Inflate(uint8_t* destination, int64_t& windowLength, const uint8_t* source, int64_t sourceLength,
            const std::atomic<bool>* stopRequested, int64_t largest, const std::function<int64_t()>& grow)
{
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    int result = inflateInit2(&stream, 15);
    if (result != Z_OK)
        return result;

    // zlib is handed input and output in slices of kStopCheckBytes at most: zlib counts in
    // uInt, and between two slices the stop request is looked at. All of the body is still
    // given before Z_FINISH could matter.
    const uint8_t* input = source;
    int64_t inputLeft = sourceLength;

    // A window of no bytes still has to measure: it inflates into a discard buffer,
    // and any output at all is an overflow.
    uint8_t discard[4096];
    uint8_t* window = destination;
    int64_t room = windowLength;
    const bool noWindow = room <= 0 || !destination;
    if (noWindow) {
        window = discard;
        room = sizeof discard;
    }
    std::unique_ptr<uint8_t[]> measureBuffer;
    int64_t filled = 0;  // of the window, since it last overflowed
    uint64_t totalOut = 0;
    int overflows = 0;
    int failure = Z_OK;
    for (;;) {
        if (StopRequested(stopRequested)) {
            failure = kResultStopped;
            break;
        }
        if (stream.avail_in == 0 && inputLeft > 0) {
            const uInt piece = uInt(std::min(inputLeft, kStopCheckBytes));
            stream.next_in = const_cast<Bytef*>(input);
            stream.avail_in = piece;
            input += piece;
            inputLeft -= piece;
        }
        if (stream.avail_out == 0) {
            if (filled == room && overflows == 0 && !noWindow && grow)
                room = std::max(room, grow());
            if (filled == room) {
                ++overflows;
                // What overflows is only counted, never kept, so measure on through a
                // roomier buffer: a small window would cost many short inflate calls.
                if (!measureBuffer && room < int64_t(kMeasureRoom)) {
                    measureBuffer.reset(new (std::nothrow) uint8_t[kMeasureRoom]);
                    if (measureBuffer) {
                        window = measureBuffer.get();
                        room = kMeasureRoom;
                    }
                }
                filled = 0;  // the next output overwrites the window from its first byte
            }
            stream.next_out = window + filled;
            stream.avail_out = uInt(std::min(room - filled, kStopCheckBytes));
        }
        const uInt before = stream.avail_out;
        result = inflate(&stream, Z_FINISH);
        filled += before - stream.avail_out;
        totalOut += before - stream.avail_out;
        CountInflated(before - stream.avail_out);
        if (result == Z_STREAM_END)
            break;
        if (result == Z_NEED_DICT) {
            failure = Z_DATA_ERROR;
            break;
        }
        // With Z_FINISH zlib reports "not finished yet" as Z_BUF_ERROR; treat a bare Z_OK alike.
        if (result == Z_BUF_ERROR || result == Z_OK) {
            if (stream.avail_in == 0 && inputLeft == 0) {
                failure = Z_DATA_ERROR;  // truncated
                break;
            }
            if (totalOut > uint64_t(largest)) {
                failure = Z_MEM_ERROR;  // no zone can hold it: stop instead of inflating on
                break;
            }
            if (stream.avail_out == 0 || stream.avail_in == 0)
                continue;  // the next slice of output or of input
            ++overflows;
            break;
        }
        failure = result;
        break;
    }
    result = inflateEnd(&stream);
    if (failure != Z_OK)
        return failure;
    if (noWindow && totalOut > 0)
        ++overflows;
    windowLength = int64_t(totalOut);
    if (result != Z_OK)
        return result;
    return overflows > 0 ? Z_BUF_ERROR : Z_OK;
}

}  // namespace

FastFileKind ClassifyHeader(const uint8_t* header, size_t length)
{
    if (length < kFastFileHeaderSize || memcmp(header, "IWffu100", 8) != 0)
        return NotFastFile;
    if (header[8] == 0x05)
        return Version5;
    if ((header[8] == 0x83 || header[8] == 0x33) && header[9] == 0x01)
        return Version387;
    return OtherVersion;
}

int32_t LoadFastFile(FFZone& zone, const std::atomic<bool>* stopRequested)
{
    FILE* file = fopen(zone.path.c_str(), "rb");
    if (!file)
        return OpenFailure(errno);

    const int64_t bodyLength = FileSize(file) - int64_t(kFastFileHeaderSize);
    uint8_t header[kFastFileHeaderSize];
    const size_t headerRead = fread(header, 1, sizeof header, file);
    zone.kind = ClassifyHeader(header, headerRead);
    if (zone.kind == NotFastFile) {
        fclose(file);
        return kResultNotFastFile;
    }

    uint8_t* body = nullptr;
    size_t bodyRead = 0;
    if (bodyLength > 0) {
        body = uint64_t(bodyLength) <= SIZE_MAX ? AllocateLarge(size_t(bodyLength)) : nullptr;
        if (!body) {
            fclose(file);
            return Z_MEM_ERROR;
        }
        // In pieces, so that a stop is seen soon even on a slow or network drive.
        while (bodyRead < size_t(bodyLength)) {
            if (StopRequested(stopRequested)) {
                fclose(file);
                free(body);
                return kResultStopped;
            }
            const size_t piece = size_t(std::min<int64_t>(bodyLength - int64_t(bodyRead), kStopCheckBytes));
            const size_t got = fread(body + bodyRead, 1, piece, file);
            bodyRead += got;
            // A file that shrank since its size was asked for inflates what is there.
            if (got < piece)
                break;
        }
    }
    const int32_t result = InflateZone(zone, body, int64_t(bodyRead), stopRequested);
    fclose(file);
    free(body);
    return result;
}

int32_t LoadFastFileFromMemory(FFZone& zone, const uint8_t* file, size_t length)
{
    zone.kind = ClassifyHeader(file, length);
    if (zone.kind == NotFastFile)
        return kResultNotFastFile;
    return InflateZone(zone, file + kFastFileHeaderSize, int64_t(length - kFastFileHeaderSize));
}

int32_t InflateZone(FFZone& zone, const uint8_t* body, int64_t bodyLength, const std::atomic<bool>* stopRequested,
                    const ZoneLimits& limits)
{
    static const uint8_t kNoInput = 0;
    if (!body)
        body = &kNoInput;

    // Grown in place, the zone comes out of one inflate. Where no address space could be
    // reserved for all of it (a 32-bit process, most likely), the first pass fills what
    // fits and measures the rest, and the zone is inflated again into a block of its size.
    const int64_t largest = std::min(limits.largest, kMaxInflatedLength);
    if (!ReserveZone(zone, limits.reservation, kZoneGrowthStep, kFirstInflateWindow) &&
        !AllocateZone(zone, kFirstInflateWindow))
        return Z_MEM_ERROR;
    const auto grow = [&zone, largest]() -> int64_t {
        const int64_t step = (int64_t(zone.zoneCapacity) / kZoneGrowthStep + 1) * kZoneGrowthStep;
        CommitZone(zone, int32_t(std::min(step, largest)));
        return zone.zoneCapacity;
    };
    int64_t length = zone.zoneCapacity;
    int result = Inflate(zone.zoneData, length, body, bodyLength, stopRequested, largest,
                         zone.zoneReserved > 0 ? grow : std::function<int64_t()>());
    if (result == Z_BUF_ERROR) {
        if (length > largest || !AllocateZone(zone, length)) {
            ReleaseZoneData(zone);
            return Z_MEM_ERROR;
        }
        result = Inflate(zone.zoneData, length, body, bodyLength, stopRequested, largest, nullptr);
    }
    if (result != Z_OK) {
        ReleaseZoneData(zone);  // nothing half-made is left for a later stage to read
        return result;
    }
    zone.zoneSize = int32_t(length);
    FinishZone(zone);
    return kResultSuccess;
}

int InflateMeasured(uint8_t* destination, int64_t& windowLength, const uint8_t* source, int64_t sourceLength,
                    const std::atomic<bool>* stopRequested)
{
    return Inflate(destination, windowLength, source, sourceLength, stopRequested, kMaxInflatedLength, nullptr);
}

int32_t WriteDump(const FFZone& zone, const std::string& dumpPath, const std::atomic<bool>* stopRequested)
{
    if (StopRequested(stopRequested))
        return kResultStopped;
    FILE* file = fopen(dumpPath.c_str(), "wb");
    if (!file)
        return OpenFailure(errno);
    // In pieces, so that a stop is seen soon even on a slow or network drive.
    int32_t result = kResultSuccess;
    for (int64_t written = 0; written < zone.zoneSize && result == kResultSuccess;) {
        const size_t piece = size_t(std::min(int64_t(zone.zoneSize) - written, kStopCheckBytes));
        if (StopRequested(stopRequested))
            result = kResultStopped;
        else if (fwrite(zone.zoneData + written, 1, piece, file) != piece)
            result = kResultCantOpen;
        else
            CountDumped(piece);
        written += int64_t(piece);
    }
    if (fclose(file) != 0 && result == kResultSuccess)
        result = kResultCantOpen;
    if (result != kResultSuccess)
        remove(dumpPath.c_str());
    return result;
}

std::string ResultMessage(int32_t code)
{
    switch (code) {
    case 0: return "Success";
    case 3: return "FastFile is either corrupt or not a supported Version";
    case 4: return "File Not Found";
    case 5: return "File Handel failed due to permissions, please run program as admin";
    case 6: return "Can't Open File";
    case -1: return "Zlib Error";
    case -2: return "invalid compression level";
    case -3: return "invalid or incomplete deflate data";
    case -4: return "out of memory";
    case -6: return "zlib version mismatch!";
    default: return "";
    }
}

void ResetZone(FFZone& zone)
{
    zone.strings.clear();
    zone.strings.shrink_to_fit();
    zone.assetTypes.clear();
    zone.assetTypes.shrink_to_fit();
    zone.entries.clear();
    zone.entries.shrink_to_fit();
    ReleaseZoneData(zone);
    zone.cursor = 0;
    if (zone.scratchCapacity > kScratchKeptUpTo) {
        free(zone.scratchData);
        zone.scratchData = nullptr;
        zone.scratchSize = 0;
        zone.scratchCapacity = 0;
    }
}
