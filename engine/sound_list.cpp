#include "sound_list.h"

#include "output_folder.h"

bool OpenSoundList(FFZone& zone, const std::string& outputFolder)
{
    // A list left open by an interrupted job must never receive this job's lines.
    CloseSoundList(zone);
    if (zone.kind != Version387)
        return true;
    std::string path = outputFolder + kSoundListName;
    CreateParentFolders(path);
    FILE* file = OpenOutputFile(path);
    if (!file)
        return false;
    zone.soundList = file;
    zone.soundListOpen = true;
    fwrite(kSoundListHeader, 1, sizeof(kSoundListHeader) - 1, file);
    return true;
}

void AddToSoundList(FFZone& zone, const std::string& name)
{
    if (!zone.soundListOpen || !zone.soundList)
        return;
    std::string line = name + "\n";
    fwrite(line.data(), 1, line.size(), zone.soundList);
}

void CloseSoundList(FFZone& zone)
{
    if (zone.soundListOpen && zone.soundList)
        fclose(zone.soundList);
    zone.soundList = nullptr;
    zone.soundListOpen = false;
}
