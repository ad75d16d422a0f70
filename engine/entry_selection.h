// Which of an archive's files an extraction takes: by the type that located the entry
// and by globs over the path the file gets. The walk over the entries asks it per file.
#pragma once

#include "ff_zone.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The words that name the entry types: gsc, csc, menu, rmb, shock, vision and wav.
// False for any other word.
bool EntryTypeFromWord(const std::string& word, EntryType& type);
// The word that names type; "" for a number that is no entry type.
const char* EntryTypeWord(EntryType type);

// Whether glob matches the whole of path ('/' between folders). '*' and '?' stay within
// one folder, '**' crosses folders ("**/" also matches no folder at all), "[...]" is a
// character class and "[!...]" its negation. Both '/' and '\' in glob stand for '/'.
// Letters compare as the platform's file system compares them (FoldPathChar). The work
// grows with the glob's length times the path's, whatever the glob; when work is given it
// receives that work, as the places in the glob looked at along the path.
bool GlobMatches(const std::string& glob, const std::string& path, size_t* work = nullptr);

class EntrySelection {
public:
    void AddType(EntryType type);
    // A file is taken when any one glob matches.
    void AddGlob(const std::string& glob);

    // Nothing was added: every file is taken.
    bool TakesEverything() const { return types_ == 0 && globs_.empty(); }
    bool Takes(EntryType type, const std::string& path) const;

private:
    uint32_t types_ = 0;  // one bit per EntryType; none set: any type
    std::vector<std::string> globs_;
};
