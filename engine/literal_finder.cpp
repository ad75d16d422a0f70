#include "literal_finder.h"

#include "pattern_syntax.h"

#include <cstring>

namespace {

// Comparisons at candidates may cost this many times the bytes the search has moved
// over, plus a little, before the search gives up.
constexpr uint64_t kComparedPerByte = 8;
constexpr uint64_t kComparedSlack = 64 * 1024;

// How often a byte turns up in scripts and other text, roughly: the search follows the
// literal's least common byte, so that it stops as seldom as it can.
int Commonness(uint8_t c)
{
    static const char kByFrequency[] = "etaoinsrhldcumfpgwybvkxjqz";  // English letters, most common first
    if (c == ' ')
        return 40;
    if (c >= 'a' && c <= 'z')
        return 12 + 26 - int(strchr(kByFrequency, c) - kByFrequency);
    if (c == '\t' || c == '\r' || (c != 0 && strchr("(),.;_=/\"", c)))
        return 20;
    if (c >= '0' && c <= '9')
        return 10;
    if (c >= 'A' && c <= 'Z')
        return 8;
    if (c > 32 && c < 127)
        return 5;
    return 1;
}

}  // namespace

LiteralFinder::LiteralFinder(const std::string& literal, bool ignoreCase) : literal_(literal), ignoreCase_(ignoreCase)
{
    int best = 1 << 30;
    for (size_t i = 0; i < literal_.size(); ++i) {
        const uint8_t c = uint8_t(literal_[i]);
        const bool letter = ignoreCase_ && c >= 'a' && c <= 'z';
        // Following both cases of a letter costs two searches.
        const int cost = letter ? Commonness(c) + Commonness(uint8_t(c - 'a' + 'A')) + 4 : Commonness(c);
        if (cost < best) {
            best = cost;
            rare_ = i;
        }
    }
    if (literal_.empty())
        return;
    rareBytes_[0] = uint8_t(literal_[rare_]);
    if (ignoreCase_ && rareBytes_[0] >= 'a' && rareBytes_[0] <= 'z') {
        rareBytes_[1] = uint8_t(rareBytes_[0] - 'a' + 'A');
        rareCount_ = 2;
    }
}

void LiteralFinder::Reset(const uint8_t* text, size_t size)
{
    text_ = text;
    size_ = size;
    limit_ = size >= literal_.size() ? size - literal_.size() + rare_ + 1 : 0;
    known_[0] = known_[1] = false;
    gaveUp_ = false;
    comparedInText_ = 0;
}

bool LiteralFinder::MatchesAt(size_t start) const
{
    const uint8_t* at = text_ + start;
    if (!ignoreCase_)
        return memcmp(at, literal_.data(), literal_.size()) == 0;
    for (size_t i = 0; i < literal_.size(); ++i)
        if (FoldCase(at[i]) != uint8_t(literal_[i]))
            return false;
    return true;
}

size_t LiteralFinder::NextRareByte(size_t at)
{
    size_t best = std::string::npos;
    for (int k = 0; k < rareCount_; ++k) {
        // A search that found nothing up to the limit stays an answer for every later start.
        if (!known_[k] || (next_[k] != std::string::npos && next_[k] < at)) {
            const void* found = at < limit_ ? memchr(text_ + at, rareBytes_[k], limit_ - at) : nullptr;
            next_[k] = found ? size_t(static_cast<const uint8_t*>(found) - text_) : std::string::npos;
            known_[k] = true;
        }
        if (next_[k] < best)
            best = next_[k];
    }
    return best;
}

size_t LiteralFinder::Find(size_t from)
{
    if (literal_.empty())
        return from <= size_ ? from : std::string::npos;
    while (!gaveUp_ && from + literal_.size() <= size_) {
        const size_t rare = NextRareByte(from + rare_);
        if (rare == std::string::npos)
            return std::string::npos;
        const size_t start = rare - rare_;
        compared_ += literal_.size();
        comparedInText_ += literal_.size();
        if (MatchesAt(start))
            return start;
        gaveUp_ = comparedInText_ > kComparedSlack + kComparedPerByte * start;
        from = start + 1;
    }
    return std::string::npos;
}
