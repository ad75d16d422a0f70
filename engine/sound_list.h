// Refrenced_Sounds.txt: the names of the entries a Version387 archive refers to without
// carrying their data, one per line, gathered while the entries are walked.
#pragma once

#include "ff_zone.h"

#include <string>

constexpr char kSoundListName[] = "Refrenced_Sounds.txt";
constexpr char kSoundListHeader[] = "// Kest_Ryn: Vandrel - Sound Refrence List\n\n";

class SoundList {
public:
    // Only Version387 archives keep a list; for the others Add does nothing.
    explicit SoundList(FastFileKind kind);

    bool Kept() const { return kept_; }
    void Add(const std::string& name);
    // The whole file: the header, then one line per name added.
    const std::string& Text() const { return text_; }

private:
    bool kept_;
    std::string text_;
};
