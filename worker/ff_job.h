// FFJob: one queued FastFile, a plain value copied into and out of the worker's queue.
#pragma once

#include <cstdint>
#include <string>

struct FFJob {
    std::string path;    // full path as given
    std::string name;    // after the last separator, extension included
    std::string folder;  // before the last separator, no trailing separator; empty if none
    int32_t row = -1;    // the job's row; negative: dropped unseen
    // Copies of the export options at the moment the file was queued.
    uint8_t LocalDump = 0;
    uint8_t Inc_StringTable = 0;
    uint8_t create_dump = 0;
};

// Splits path into name and folder at its last separator ('\' or '/' on Windows, '/'
// elsewhere). The path should be a full path: an empty folder means the program's folder.
FFJob MakeJob(const std::string& path, int32_t row);

// The checks a path passes before it becomes a job are the same for a file dropped on
// the window and one given on the command line; so are the texts a rejected one gets.
// The extension must be exactly "ff" (case counts) after the name's last period.
bool HasFastFileExtension(const std::string& name);
std::string CantFindText(const std::string& path);       // no folder, or a missing one
std::string DoesNotExistText(const std::string& path);   // the file itself is missing
std::string NotAFastFileText(const std::string& name);   // the extension is not "ff"

// The status a job's row ends with when its archive does not load with result (an
// ExtractResult or a zlib code), or when the job fails otherwise (kCheckLogStatus).
constexpr char kCorruptStatus[] = "Error: Corrupt or unsupported";
constexpr char kCheckLogStatus[] = "Error: Check Log";
const char* LoadFailureStatus(int32_t result);
