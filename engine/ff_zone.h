// FFZone: the state of the archive being extracted, shared by every engine stage,
// and the small value types the stages exchange (kinds, result codes, entries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Version class of a FastFile, decided by header bytes 8 and 9.
enum FastFileKind : int32_t {
    NotFastFile = 0,
    Version5 = 1,
    Version387 = 2,
    OtherVersion = 3,
};

// Result of loading an archive: 0, one of the engine's own codes, or a zlib code.
enum ExtractResult : int32_t {
    kResultSuccess = 0,
    kResultNotFastFile = 3,
    kResultFileNotFound = 4,
    kResultAccessDenied = 5,
    kResultCantOpen = 6,
    // A stop request ended the work before it was done. The worker reports nothing after
    // a stop, so this code has no message.
    kResultStopped = 7,
};

// Which extension located an embedded file.
enum EntryType : int32_t {
    Gsc = 1,
    Csc = 2,
    Menu = 3,
    Rmb = 4,
    Shock = 5,
    Vision = 6,
    Sound = 7,
};

struct ZoneEntry {
    std::string name;     // as the zone holds it, forward slashes kept
    int32_t dataOffset;   // first data byte, right after the name
    int32_t size;         // as the record gives it: may be 0, negative or past the zone
    EntryType type;
};

// What the writing stages of one job could not do: output files that could not be
// written whole ("Failed To write: ", "Permissions Required to write: ") and entry names
// refused as unsafe ("Unsafe path refused: "), each counted once per logged line; and
// how many of the entries' files the selection took.
struct WriteTally {
    int32_t writeErrors = 0;
    int32_t refused = 0;
    int32_t selected = 0;

    WriteTally& operator+=(const WriteTally& other)
    {
        writeErrors += other.writeErrors;
        refused += other.refused;
        selected += other.selected;
        return *this;
    }
};

struct FFZone {
    FFZone() = default;
    ~FFZone();
    FFZone(const FFZone&) = delete;
    FFZone& operator=(const FFZone&) = delete;

    int32_t stringCount = 0;
    int32_t assetCount = 0;
    std::vector<std::string> strings;
    std::vector<uint32_t> assetTypes;
    std::vector<ZoneEntry> entries;

    std::string path;    // full path of the FastFile
    std::string name;    // file name with its extension
    std::string folder;  // without a trailing separator; empty: output goes to the program's folder

    // The inflated zone: zoneSize bytes are valid, zoneCapacity allocated. zoneReserved
    // is the address space reserved for it to grow into (zone_memory.h), or 0 for a
    // malloc block; ReleaseZoneData frees either.
    uint8_t* zoneData = nullptr;
    int32_t zoneSize = 0;
    int32_t zoneCapacity = 0;
    size_t zoneReserved = 0;

    int32_t cursor = 0;  // read position, an offset into the zone

    FastFileKind kind = NotFastFile;

    // Inflation buffer for compressed scripts: grows and is kept from job to job, unless
    // it grew past kScratchKeptUpTo (ResetZone).
    uint8_t* scratchData = nullptr;
    int32_t scratchSize = 0;
    int32_t scratchCapacity = 0;
};
