#include "sound_list.h"

SoundList::SoundList(FastFileKind kind) : kept_(kind == Version387)
{
    if (kept_)
        text_ = kSoundListHeader;
}

void SoundList::Add(const std::string& name)
{
    if (!kept_)
        return;
    text_ += name;
    text_ += '\n';
}
