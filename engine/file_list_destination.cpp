#include "file_list_destination.h"

#include "output_folder.h"

ListedFile& FileListDestination::Place(const ExportedFile& file)
{
    const auto placed = byPathKey_.try_emplace(PathKey(file.path), files_.size());
    if (placed.second)
        files_.push_back(ListedFile{file.path, nullptr, 0, false});
    current_ = placed.first->second;
    ListedFile& listed = files_[current_];
    listed.entry = file.entry;
    listed.size = 0;
    return listed;
}

bool FileListDestination::BeginFile(const ExportedFile& file)
{
    if (!file.createsFolders)
        return false;
    Place(file).refused = false;
    return true;
}

void FileListDestination::Refused(const ExportedFile& file)
{
    ExportDestination::Refused(file);
    Place(file).refused = true;
}
