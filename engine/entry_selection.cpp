#include "entry_selection.h"

#include "output_folder.h"

#include <cstddef>

namespace {

struct TypeWord {
    const char* word;
    EntryType type;
};

const TypeWord kTypeWords[] = {{"gsc", Gsc},     {"csc", Csc},       {"menu", Menu}, {"rmb", Rmb},
                               {"shock", Shock}, {"vision", Vision}, {"wav", Sound}};

// Matches a glob against a path by trying every way its stars could stretch. Each
// (glob position, path position) pair is decided once and remembered, so a glob full of
// stars over a long name from a hostile archive costs glob length times path length
// steps at most, not exponentially many.
class GlobMatcher {
public:
    GlobMatcher(const std::string& glob, const std::string& path)
        : glob_(glob), path_(path), seen_((glob.size() + 1) * (path.size() + 1), kUnknown)
    {
        for (char& c : glob_)
            if (c == '\\')
                c = '/';
    }

    bool Matches() { return MatchFrom(0, 0); }

private:
    enum : char { kUnknown, kNo, kYes };

    bool MatchFrom(size_t g, size_t p)
    {
        char& known = seen_[g * (path_.size() + 1) + p];
        if (known == kUnknown)
            known = Decide(g, p) ? kYes : kNo;
        return known == kYes;
    }

    bool Decide(size_t g, size_t p)
    {
        if (g == glob_.size())
            return p == path_.size();
        if (glob_[g] == '*') {
            if (g + 1 < glob_.size() && glob_[g + 1] == '*') {
                const size_t after = g + 2;
                if (after < glob_.size() && glob_[after] == '/' && MatchFrom(after + 1, p))
                    return true;  // "**/" over no folder at all
                for (size_t end = p; end <= path_.size(); ++end)
                    if (MatchFrom(after, end))
                        return true;
                return false;
            }
            for (size_t end = p; end <= path_.size(); ++end) {
                if (MatchFrom(g + 1, end))
                    return true;
                if (end < path_.size() && path_[end] == '/')
                    break;
            }
            return false;
        }
        if (p == path_.size())
            return false;
        const char c = path_[p];
        if (glob_[g] == '?')
            return c != '/' && MatchFrom(g + 1, p + 1);
        if (glob_[g] == '[') {
            size_t end = 0;
            bool inClass = false;
            if (ReadClass(g, c, end, inClass))
                return inClass && c != '/' && MatchFrom(end, p + 1);
        }
        return FoldPathChar(glob_[g]) == FoldPathChar(c) && MatchFrom(g + 1, p + 1);
    }

    // Reads the class that starts at glob_[open]; false when it is not closed, and the
    // '[' then stands for itself. A ']' right after "[" or "[!" belongs to the class.
    bool ReadClass(size_t open, char c, size_t& end, bool& inClass) const
    {
        size_t at = open + 1;
        const bool negated = at < glob_.size() && glob_[at] == '!';
        if (negated)
            ++at;
        const size_t first = at;
        bool found = false;
        const unsigned char folded = Folded(c);
        while (at < glob_.size() && (glob_[at] != ']' || at == first)) {
            const unsigned char low = Folded(glob_[at]);
            unsigned char high = low;
            if (at + 2 < glob_.size() && glob_[at + 1] == '-' && glob_[at + 2] != ']') {
                high = Folded(glob_[at + 2]);
                at += 2;
            }
            found = found || (folded >= low && folded <= high);
            ++at;
        }
        if (at >= glob_.size())
            return false;
        end = at + 1;
        inClass = found != negated;
        return true;
    }

    static unsigned char Folded(char c) { return static_cast<unsigned char>(FoldPathChar(c)); }

    std::string glob_;
    const std::string& path_;
    std::string seen_;
};

}  // namespace

bool EntryTypeFromWord(const std::string& word, EntryType& type)
{
    for (const TypeWord& known : kTypeWords) {
        if (word == known.word) {
            type = known.type;
            return true;
        }
    }
    return false;
}

const char* EntryTypeWord(EntryType type)
{
    for (const TypeWord& known : kTypeWords)
        if (known.type == type)
            return known.word;
    return "";
}

bool GlobMatches(const std::string& glob, const std::string& path)
{
    return GlobMatcher(glob, path).Matches();
}

void EntrySelection::AddType(EntryType type)
{
    types_ |= 1u << type;
}

void EntrySelection::AddGlob(const std::string& glob)
{
    globs_.push_back(glob);
}

bool EntrySelection::Takes(EntryType type, const std::string& path) const
{
    if (types_ != 0 && (type < 0 || type > Sound || !(types_ & (1u << type))))
        return false;
    if (globs_.empty())
        return true;
    for (const std::string& glob : globs_)
        if (GlobMatches(glob, path))
            return true;
    return false;
}
