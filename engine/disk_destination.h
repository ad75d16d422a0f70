// The archive's output folder on disk as the destination of an extraction: folders are
// made as needed, existing files replaced, and files that cannot be made or written whole
// are removed, logged and counted, so the job goes on without them.
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
    // Closes the file; one that was not written whole, its close included, is removed.
    void EndFile() override;
    void AbandonFile(FileAbandoned why) override;

    // Files that could not be made or written whole ("Failed To write: ", "Permissions
    // Required to write: ").
    int32_t WriteErrors() const { return writeErrors_; }

private:
    // Closes and removes the file under way; a failure is logged with error and counted.
    void RemoveFile(bool failed, int error);

    std::string folder_;
    std::string target_;  // of the file under way
    FILE* file_ = nullptr;
    int writeError_ = 0;  // the errno of the file's first failed write; 0 while none failed
    int32_t writeErrors_ = 0;
};
