// Where the files of an extraction go. The walk over the entries (ExportFiles) decides
// which files there are, at which paths and with which bytes, and which names it refuses;
// a destination only puts them somewhere (a folder on disk, stdout, a digest per path)
// and says what it was not given.
#pragma once

#include "ff_zone.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Why the walk gives up a file it has begun.
enum class FileAbandoned {
    kStopped,   // a stop request came while its bytes were made or handed over
    kNoMemory,  // its bytes could not be had: no memory to inflate them into
};

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
    // Instead of EndFile: the walk could not hand over all of the file's bytes. A
    // destination that keeps files must not keep this one; one given up for want of
    // memory counts as a file that could not be written. By default the file simply
    // ends as it stands.
    virtual void AbandonFile(FileAbandoned why)
    {
        (void)why;
        EndFile();
    }
    // An entry whose name could leave the output folder: the walk makes no file of it.
    // The default logs "Unsafe path refused: NAME", as extraction does.
    virtual void Refused(const ExportedFile& file);
};
