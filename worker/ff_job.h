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
