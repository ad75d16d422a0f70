#include "disk_destination.h"

#include "output_folder.h"

#include <cerrno>

DiskDestination::~DiskDestination()
{
    // A walk ended by an exception leaves its file open and not whole; its job fails.
    RemoveFile(false, 0);
}

bool DiskDestination::BeginFile(const ExportedFile& file)
{
    EndFile();
#ifdef _WIN32
    target_ = ToNativeSeparators(folder_ + file.path);
#else
    // Elsewhere a backslash in the folder's own name is a character of that name.
    target_ = folder_ + file.path;
#endif
    if (file.createsFolders)
        CreateParentFolders(target_);
    file_ = OpenOutputFile(target_);
    writeError_ = 0;
    if (!file_)
        ++writeErrors_;
    return file_ != nullptr;
}

void DiskDestination::WriteBytes(const uint8_t* bytes, size_t size)
{
    if (!file_ || size == 0 || writeError_ != 0)
        return;
    errno = 0;
    if (fwrite(bytes, 1, size, file_) != size)
        writeError_ = errno != 0 ? errno : EIO;
}

void DiskDestination::EndFile()
{
    if (!file_)
        return;
    errno = 0;
    const bool closed = fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && writeError_ == 0)
        writeError_ = errno != 0 ? errno : EIO;
    if (writeError_ == 0)
        return;
    // A disk that filled up, or a write the system refused: what is there is not the file.
    remove(target_.c_str());
    LogWriteFailure(target_, writeError_);
    ++writeErrors_;
}

void DiskDestination::AbandonFile(FileAbandoned why)
{
    RemoveFile(why == FileAbandoned::kNoMemory, ENOMEM);
}

void DiskDestination::RemoveFile(bool failed, int error)
{
    if (!file_)
        return;
    fclose(file_);
    file_ = nullptr;
    remove(target_.c_str());
    if (!failed)
        return;
    LogWriteFailure(target_, error);
    ++writeErrors_;
}
