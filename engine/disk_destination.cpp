#include "disk_destination.h"

#include "output_folder.h"

DiskDestination::~DiskDestination()
{
    // A walk ended by an exception leaves its file open.
    EndFile();
}

bool DiskDestination::BeginFile(const ExportedFile& file)
{
    EndFile();
#ifdef _WIN32
    const std::string target = ToNativeSeparators(folder_ + file.path);
#else
    // Elsewhere a backslash in the folder's own name is a character of that name.
    const std::string target = folder_ + file.path;
#endif
    if (file.createsFolders)
        CreateParentFolders(target);
    file_ = OpenOutputFile(target);
    if (!file_)
        ++writeErrors_;
    return file_ != nullptr;
}

void DiskDestination::WriteBytes(const uint8_t* bytes, size_t size)
{
    if (file_ && size > 0)
        fwrite(bytes, 1, size, file_);
}

void DiskDestination::EndFile()
{
    if (file_)
        fclose(file_);
    file_ = nullptr;
}
