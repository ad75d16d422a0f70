#include "file_bytes_destination.h"

#include "output_folder.h"

#include <algorithm>

FileBytesDestination::FileBytesDestination(const std::string& path, size_t limit)
    : wanted_(PathKey(NormalOutputPath(path))), limit_(limit)
{
}

bool FileBytesDestination::IsWanted(const ExportedFile& file) const
{
    return PathKey(file.path) == wanted_;
}

bool FileBytesDestination::BeginFile(const ExportedFile& file)
{
    if (!file.createsFolders || !IsWanted(file))
        return false;
    found_ = true;
    noMemory_ = false;
    bytes_.clear();
    size_ = 0;
    return true;
}

void FileBytesDestination::AbandonFile(FileAbandoned why)
{
    noMemory_ = why == FileAbandoned::kNoMemory;
    bytes_.clear();
    size_ = 0;
}

void FileBytesDestination::WriteBytes(const uint8_t* bytes, size_t size)
{
    size_ += size;
    const size_t room = limit_ - std::min(limit_, bytes_.size());
    bytes_.append(reinterpret_cast<const char*>(bytes), std::min(size, room));
}
