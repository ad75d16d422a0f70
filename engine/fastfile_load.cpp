#include "fastfile_load.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr uInt kMeasureRoom = 256 * 1024;

// Body and zone buffers are filled once, front to back, right after they are allocated.
// For large ones, ask Linux for huge pages: tens of thousands of page faults otherwise
// cost a tenth of an inflate. The memory is released with free() as usual.
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

bool StopRequested(const std::atomic<bool>* stopRequested)
{
    return stopRequested && stopRequested->load();
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

// Keeps size <= capacity even when a larger zone cannot be had, so a later job never
// takes a stale measured size as the room of a smaller buffer.
bool GrowZone(FFZone& zone, int64_t size)
{
    if (size <= zone.zoneCapacity)
        return true;
    free(zone.zoneData);
    zone.zoneData = AllocateLarge(size_t(size));
    if (!zone.zoneData) {
        zone.zoneSize = 0;
        zone.zoneCapacity = 0;
        return false;
    }
    zone.zoneCapacity = int32_t(size);
    return true;
}

// Where inflate puts its output. When the room handed out is used up, Full makes more,
// or returns false when none can be had.
class InflateOutput {
public:
    uint8_t* next = nullptr;
    int64_t left = 0;
    virtual bool Full() = 0;

protected:
    ~InflateOutput() = default;
};

// The caller's window, which starts over at its first byte each time it fills: what
// overflows is only counted, so the stream is measured without being kept.
class MeasuringWindow : public InflateOutput {
public:
    MeasuringWindow(uint8_t* destination, int64_t length)
        : base_(destination), room_(length), noWindow_(length <= 0 || !destination)
    {
        // A window of no bytes still has to measure: it inflates into a discard buffer,
        // and any output at all is an overflow.
        if (noWindow_) {
            base_ = discard_;
            room_ = sizeof discard_;
        }
        next = base_;
        left = room_;
    }

    bool Full() override
    {
        CountOverflow();
        // Measure on through a roomier buffer: a small window would cost many short
        // inflate calls.
        if (!measureBuffer_ && room_ < int64_t(kMeasureRoom)) {
            measureBuffer_.reset(new (std::nothrow) uint8_t[kMeasureRoom]);
            if (measureBuffer_) {
                base_ = measureBuffer_.get();
                room_ = kMeasureRoom;
            }
        }
        next = base_;  // the next output overwrites the window from its first byte
        left = room_;
        return true;
    }

    void CountOverflow() { ++overflows_; }
    int Overflows() const { return overflows_; }
    bool NoWindow() const { return noWindow_; }

private:
    uint8_t* base_;
    int64_t room_;
    const bool noWindow_;
    uint8_t discard_[4096];
    std::unique_ptr<uint8_t[]> measureBuffer_;
    int overflows_ = 0;
};

// The zone buffer itself, enlarged (doubled) each time it fills.
class GrowingZone : public InflateOutput {
public:
    explicit GrowingZone(FFZone& zone) : zone_(zone)
    {
        next = zone.zoneData;
        left = zone.zoneCapacity;
    }

    bool Full() override
    {
        const int64_t filled = zone_.zoneCapacity;
        if (filled >= kMaxInflatedLength)
            return false;
        const int64_t grown = std::min<int64_t>(filled * 2, kMaxInflatedLength);
        void* moved = realloc(zone_.zoneData, size_t(grown));
        if (!moved)
            return false;
        zone_.zoneData = static_cast<uint8_t*>(moved);
        zone_.zoneCapacity = int32_t(grown);
        next = zone_.zoneData + filled;
        left = grown - filled;
        return true;
    }

private:
    FFZone& zone_;
};

// Inflates the source into output until the stream ends (Z_STREAM_END). Otherwise
// returns a zlib code or kResultStopped; Z_BUF_ERROR when inflate stalled with both
// room and input left. zlib is handed input and output in slices of kStopCheckBytes at
// most: zlib counts in uInt, and between two slices the stop request is looked at. All
// of the body is still given before Z_FINISH could matter.
int RunInflate(z_stream& stream, InflateOutput& output, const uint8_t* source, int64_t sourceLength,
               const std::atomic<bool>* stopRequested, uint64_t& totalOut)
{
    const uint8_t* input = source;
    int64_t inputLeft = sourceLength;
    for (;;) {
        if (StopRequested(stopRequested))
            return kResultStopped;
        if (stream.avail_in == 0 && inputLeft > 0) {
            const uInt piece = uInt(std::min(inputLeft, kStopCheckBytes));
            stream.next_in = const_cast<Bytef*>(input);
            stream.avail_in = piece;
            input += piece;
            inputLeft -= piece;
        }
        if (stream.avail_out == 0) {
            if (output.left == 0 && !output.Full())
                return Z_MEM_ERROR;
            stream.next_out = output.next;
            stream.avail_out = uInt(std::min(output.left, kStopCheckBytes));
        }
        const uInt before = stream.avail_out;
        const int result = inflate(&stream, Z_FINISH);
        const uInt produced = before - stream.avail_out;
        output.next += produced;
        output.left -= produced;
        totalOut += produced;
        if (result == Z_STREAM_END)
            return result;
        if (result == Z_NEED_DICT)
            return Z_DATA_ERROR;
        // With Z_FINISH zlib reports "not finished yet" as Z_BUF_ERROR; treat a bare Z_OK alike.
        if (result != Z_BUF_ERROR && result != Z_OK)
            return result;
        if (stream.avail_in == 0 && inputLeft == 0)
            return Z_DATA_ERROR;  // truncated
        if (totalOut > uint64_t(kMaxInflatedLength))
            return Z_MEM_ERROR;  // no zone of 32-bit size can hold it: stop instead of inflating on
        if (stream.avail_out != 0 && stream.avail_in != 0)
            return Z_BUF_ERROR;
    }
}

// One pass into a zone buffer that grows as it fills, from a guess at the zone's size.
int32_t InflateZoneGrowing(FFZone& zone, const uint8_t* body, int64_t bodyLength,
                           const std::atomic<bool>* stopRequested)
{
    // Text inflates to a few times its compressed size. The guess and its fallbacks only
    // reserve address space until the stream fills them.
    const int64_t guesses[] = {std::min<int64_t>(bodyLength * 3, kMaxInflatedLength), bodyLength, 0};
    zone.zoneSize = 0;
    bool allocated = false;
    for (int64_t guess : guesses)
        if (!allocated)
            allocated = GrowZone(zone, std::max<int64_t>(guess, kFirstInflateWindow));
    if (!allocated)
        return Z_MEM_ERROR;

    z_stream stream;
    memset(&stream, 0, sizeof stream);
    int result = inflateInit2(&stream, 15);
    if (result != Z_OK)
        return result;
    GrowingZone output(zone);
    uint64_t totalOut = 0;
    result = RunInflate(stream, output, body, bodyLength, stopRequested, totalOut);
    inflateEnd(&stream);
    if (result != Z_STREAM_END)
        return result;
    zone.zoneSize = int32_t(totalOut);
    // Give back what the guess or the last doubling reserved beyond the zone.
    const int64_t kept = std::max<int64_t>(zone.zoneSize, kFirstInflateWindow);
    if (zone.zoneCapacity - kept > kFirstInflateWindow) {
        if (void* smaller = realloc(zone.zoneData, size_t(kept))) {
            zone.zoneData = static_cast<uint8_t*>(smaller);
            zone.zoneCapacity = int32_t(kept);
        }
    }
    return Z_OK;
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

int32_t LoadFastFile(FFZone& zone, const std::atomic<bool>* stopRequested, ZoneInflation inflation)
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
    const int32_t result = inflation == ZoneInflation::Measured
                               ? InflateZone(zone, body, int64_t(bodyRead), stopRequested)
                               : InflateZoneGrowing(zone, body, int64_t(bodyRead), stopRequested);
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

int32_t InflateZone(FFZone& zone, const uint8_t* body, int64_t bodyLength, const std::atomic<bool>* stopRequested)
{
    static const uint8_t kNoInput = 0;
    if (!body)
        body = &kNoInput;

    if (zone.zoneSize == 0 || zone.zoneSize > zone.zoneCapacity) {
        if (zone.zoneCapacity < kFirstInflateWindow) {
            free(zone.zoneData);
            zone.zoneData = static_cast<uint8_t*>(malloc(kFirstInflateWindow));
            zone.zoneCapacity = zone.zoneData ? kFirstInflateWindow : 0;
            if (!zone.zoneData) {
                zone.zoneSize = 0;
                return Z_MEM_ERROR;
            }
        }
        zone.zoneSize = kFirstInflateWindow;
    }

    int64_t window = zone.zoneSize;
    int result = InflateMeasured(zone.zoneData, window, body, bodyLength, stopRequested);
    if (result == Z_BUF_ERROR) {
        if (window > INT32_MAX || !GrowZone(zone, window))
            return Z_MEM_ERROR;
        result = InflateMeasured(zone.zoneData, window, body, bodyLength, stopRequested);
    }
    if (result == Z_OK || result == Z_BUF_ERROR)
        zone.zoneSize = int32_t(window);
    return result;
}

int InflateMeasured(uint8_t* destination, int64_t& windowLength, const uint8_t* source, int64_t sourceLength,
                    const std::atomic<bool>* stopRequested)
{
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    int result = inflateInit2(&stream, 15);
    if (result != Z_OK)
        return result;
    MeasuringWindow window(destination, windowLength);
    uint64_t totalOut = 0;
    result = RunInflate(stream, window, source, sourceLength, stopRequested, totalOut);
    if (result != Z_STREAM_END && result != Z_BUF_ERROR) {
        inflateEnd(&stream);
        return result;
    }
    // Stalled with room left, or any output at all into a window of no bytes: too small.
    if (result == Z_BUF_ERROR || (window.NoWindow() && totalOut > 0))
        window.CountOverflow();
    windowLength = int64_t(totalOut);
    result = inflateEnd(&stream);
    if (result != Z_OK)
        return result;
    return window.Overflows() > 0 ? Z_BUF_ERROR : Z_OK;
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
    free(zone.zoneData);
    zone.zoneData = nullptr;
    zone.zoneSize = 0;
    zone.zoneCapacity = 0;
    zone.cursor = 0;
    if (zone.scratchCapacity > kScratchKeptUpTo) {
        free(zone.scratchData);
        zone.scratchData = nullptr;
        zone.scratchSize = 0;
        zone.scratchCapacity = 0;
    }
}
