// Where the files of an extraction go. The walk over the entries (ExportFiles) decides
// which files there are, at which paths and with which bytes; a destination only puts
// them somewhere: a folder on disk, stdout, a digest per path.
#pragma once

#include "ff_zone.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One file of an archive's output as the walk hands it over.
struct ExportedFile {
    std::string path;          // inside the output folder, '/' between folders (NormalOutputPath)
    const ZoneEntry* entry;    // null for Refrenced_Sounds.txt and StringTable.txt
    bool createsFolders;       // false: the file is made only where its folder exists already
    bool replacedLater = false;  // a later file of the walk goes to the same path and takes its place
};

class ExportDestination {
public:
    virtual ~ExportDestination() = default;
    // False skips the file's bytes: the destination does not want them, or could not
    // make the file.
    virtual bool BeginFile(const ExportedFile& file) = 0;
    // The file's bytes, in one or more pieces, between BeginFile and EndFile. Every piece
    // stays as it is until EndFile has returned.
    virtual void WriteBytes(const uint8_t* bytes, size_t size) = 0;
    virtual void EndFile() = 0;
};
