// The files an extraction makes, as a list instead of on disk: for looking inside an
// archive. Each file's path, what made it and how many bytes it gets, in the order
// extraction makes them; names the walk refuses are listed too, marked as refused.
#pragma once

#include "export_destination.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct ListedFile {
    std::string path;        // as ExportedFile::path
    const ZoneEntry* entry;  // null for Refrenced_Sounds.txt and StringTable.txt
    uint64_t size;           // the bytes the file gets; 0 for a refused name
    bool refused;            // an unsafe name: no file is made of it
};

class FileListDestination : public ExportDestination {
public:
    // A later file at the path of an earlier one takes its place in the list, as it
    // takes the earlier one's place on disk; a file that does not make its folder is
    // never made in an empty one and is not listed.
    bool BeginFile(const ExportedFile& file) override;
    void WriteBytes(const uint8_t*, size_t size) override { files_[current_].size += size; }
    void EndFile() override {}
    // Listed, and logged as extraction logs it.
    void Refused(const ExportedFile& file) override;

    const std::vector<ListedFile>& Files() const { return files_; }
    std::vector<ListedFile> TakeFiles() { return std::move(files_); }

private:
    ListedFile& Place(const ExportedFile& file);

    std::vector<ListedFile> files_;
    std::unordered_map<std::string, size_t> byPathKey_;
    size_t current_ = 0;
};
