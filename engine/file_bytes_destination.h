// The bytes of one file of an extraction, kept in memory: what extraction into an empty
// folder would leave at one path. For printing one file, or showing it, without
// writing anything to disk.
#pragma once

#include "export_destination.h"

#include <cstdint>
#include <limits>
#include <string>

class FileBytesDestination : public ExportDestination {
public:
    // path as extraction names it inside the output folder, either kind of slash; only
    // the first limit bytes of the file are kept, Size counts them all.
    explicit FileBytesDestination(const std::string& path, size_t limit = std::numeric_limits<size_t>::max());

    // A later file at the path takes the place of an earlier one, as on disk; a file that
    // does not make its folder is never made in an empty one.
    bool BeginFile(const ExportedFile& file) override;
    void WriteBytes(const uint8_t* bytes, size_t size) override;
    void EndFile() override {}
    // Its bytes are gone; given up for want of memory, it is a file that cannot be had.
    void AbandonFile(FileAbandoned why) override;

    bool Found() const { return found_; }
    bool NoMemory() const { return noMemory_; }
    const std::string& Bytes() const { return bytes_; }
    uint64_t Size() const { return size_; }

protected:
    // Whether file is at the wanted path, as the file system compares paths.
    bool IsWanted(const ExportedFile& file) const;

private:
    const std::string wanted_;
    const size_t limit_;
    bool found_ = false;
    bool noMemory_ = false;
    std::string bytes_;
    uint64_t size_ = 0;
};
