// The archive's output folder on disk as the destination of an extraction: folders are
// made as needed, existing files replaced, and files that cannot be made are logged and
// counted, so the job goes on without them.
#pragma once

#include "export_destination.h"

#include <cstdio>
#include <string>

class DiskDestination : public ExportDestination {
public:
    // outputFolder ends in a separator (OutputFolder).
    explicit DiskDestination(std::string outputFolder) : folder_(std::move(outputFolder)) {}
    ~DiskDestination() override;
    DiskDestination(const DiskDestination&) = delete;
    DiskDestination& operator=(const DiskDestination&) = delete;

    bool BeginFile(const ExportedFile& file) override;
    void WriteBytes(const uint8_t* bytes, size_t size) override;
    void EndFile() override;

    // Files that could not be made ("Failed To write: ", "Permissions Required to write: ").
    int32_t WriteErrors() const { return writeErrors_; }

private:
    std::string folder_;
    FILE* file_ = nullptr;
    int32_t writeErrors_ = 0;
};
