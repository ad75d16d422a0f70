#include "entry_selection.h"

#include "output_folder.h"

#include <algorithm>
#include <cstddef>

namespace {

struct TypeWord {
    const char* word;
    EntryType type;
};

const TypeWord kTypeWords[] = {{"gsc", Gsc},     {"csc", Csc},       {"menu", Menu}, {"rmb", Rmb},
                               {"shock", Shock}, {"vision", Vision}, {"wav", Sound}};

// A glob read once into steps, matched against a path by following every place in the
// glob that the path so far could have reached, all at once, one character at a time.
// So a glob full of stars over a long name from a hostile archive costs the glob's length
// times the name's at most, never more however the stars could stretch.
class GlobMatcher {
public:
    explicit GlobMatcher(const std::string& glob)
    {
        for (size_t g = 0; g < glob.size();) {
            Step step;
            const char c = glob[g] == '\\' ? '/' : glob[g];
            if (c == '*' && g + 1 < glob.size() && glob[g + 1] == '*') {
                step.kind = kAnyFolders;
                g += 2;
            } else if (c == '*' || c == '?') {
                step.kind = c == '*' ? kStar : kAnyChar;
                ++g;
            } else if (c == '[' && ReadClass(glob, g, step)) {
                step.kind = kClass;
            } else {
                step.kind = kChar;
                step.c = FoldPathChar(c);
                ++g;
            }
            steps_.push_back(std::move(step));
        }
    }

    bool Matches(const std::string& path, size_t* work) const
    {
        const size_t end = steps_.size();  // the place reached when the whole glob matched
        // The places reached so far, each once: marked[place] is the round that added it.
        std::vector<size_t> live, next;
        std::vector<size_t> marked(end + 1, 0);
        size_t round = 1;
        Reach(0, live, marked, round);
        size_t count = 0;
        for (const char c : path) {
            next.clear();
            ++round;
            for (const size_t at : live) {
                ++count;
                if (at == end)
                    continue;
                const Step& step = steps_[at];
                if (step.kind == kAnyFolders || (step.kind == kStar && c != '/'))
                    Reach(at, next, marked, round);  // the star stretches over c
                else if (step.kind != kStar && Takes(step, c))
                    Reach(at + 1, next, marked, round);
            }
            live.swap(next);
            if (live.empty())
                break;
        }
        if (work)
            *work = count;
        return std::find(live.begin(), live.end(), end) != live.end();
    }

private:
    enum Kind : char { kChar, kAnyChar, kClass, kStar, kAnyFolders };
    struct Step {
        Kind kind = kChar;
        char c = 0;             // kChar, folded
        bool negated = false;   // kClass
        std::string ranges;     // kClass: pairs of lowest and highest folded character
    };

    // Adds place to the places reached in this round, with those a star lets the glob
    // reach from it without taking a character: past the star, and past "**/" as a
    // whole, which also matches no folder at all.
    void Reach(size_t place, std::vector<size_t>& reached, std::vector<size_t>& marked, size_t round) const
    {
        while (place <= steps_.size() && marked[place] != round) {
            marked[place] = round;
            reached.push_back(place);
            if (place == steps_.size())
                return;
            const Step& step = steps_[place];
            if (step.kind != kStar && step.kind != kAnyFolders)
                return;
            if (step.kind == kAnyFolders && place + 1 < steps_.size() && steps_[place + 1].kind == kChar &&
                steps_[place + 1].c == '/')
                Reach(place + 2, reached, marked, round);
            ++place;
        }
    }

    static bool Takes(const Step& step, char c)
    {
        switch (step.kind) {
        case kChar: return step.c == FoldPathChar(c);
        case kAnyChar: return c != '/';
        case kClass: {
            if (c == '/')
                return false;
            const unsigned char folded = Folded(c);
            const auto* ranges = reinterpret_cast<const unsigned char*>(step.ranges.data());
            bool found = false;
            for (size_t i = 0; i + 1 < step.ranges.size(); i += 2)
                found = found || (folded >= ranges[i] && folded <= ranges[i + 1]);
            return found != step.negated;
        }
        default: return false;
        }
    }

    // Reads the class that starts at glob[at] into step and moves at past it; false when it
    // is not closed, and the '[' then stands for itself. A ']' right after "[" or "[!"
    // belongs to the class.
    static bool ReadClass(const std::string& glob, size_t& at, Step& step)
    {
        size_t i = at + 1;
        step.negated = i < glob.size() && glob[i] == '!';
        if (step.negated)
            ++i;
        const size_t first = i;
        std::string ranges;
        while (i < glob.size() && (glob[i] != ']' || i == first)) {
            const char low = FoldPathChar(glob[i]);
            char high = low;
            if (i + 2 < glob.size() && glob[i + 1] == '-' && glob[i + 2] != ']') {
                high = FoldPathChar(glob[i + 2]);
                i += 2;
            }
            ranges += low;
            ranges += high;
            ++i;
        }
        if (i >= glob.size())
            return false;
        step.ranges = std::move(ranges);
        at = i + 1;
        return true;
    }

    static unsigned char Folded(char c) { return static_cast<unsigned char>(FoldPathChar(c)); }

    std::vector<Step> steps_;
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

bool GlobMatches(const std::string& glob, const std::string& path, size_t* work)
{
    return GlobMatcher(glob).Matches(path, work);
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
