// Finding a run of bytes in a text quickly: the search jumps from one occurrence of the
// run's rarest byte to the next with memchr, which the C library does many bytes at a
// time, and compares the run only there. With case ignored, both cases of that byte are
// followed, each by a search of its own that only ever moves forward.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LiteralFinder {
public:
    LiteralFinder() = default;
    // literal is in lower case when case is ignored.
    LiteralFinder(const std::string& literal, bool ignoreCase);

    bool Empty() const { return literal_.empty(); }
    size_t Length() const { return literal_.size(); }

    // Starts on a new text, which must stay as it is while it is searched.
    void Reset(const uint8_t* text, size_t size);
    // The offset of the first occurrence that starts at from or later; npos when there is
    // none, or when the search gave up (GaveUp): a text full of near misses would cost
    // a comparison at almost every byte, and the caller then does better another way.
    size_t Find(size_t from);
    bool GaveUp() const { return gaveUp_; }

    // Bytes compared at candidates since the finder was made.
    uint64_t Compared() const { return compared_; }

private:
    bool MatchesAt(size_t start) const;
    // The next occurrence of the rare byte (either case) at or after at, or npos.
    size_t NextRareByte(size_t at);

    std::string literal_;
    bool ignoreCase_ = false;
    size_t rare_ = 0;           // index of the byte searched for
    uint8_t rareBytes_[2] = {};  // that byte, and its other case
    int rareCount_ = 1;

    const uint8_t* text_ = nullptr;
    size_t size_ = 0;
    size_t limit_ = 0;            // past the last place the rare byte of an occurrence can be
    size_t next_[2] = {};         // where each case of the rare byte occurs next
    bool known_[2] = {};          // next_ holds a search's answer
    bool gaveUp_ = false;
    uint64_t compared_ = 0;
    uint64_t comparedInText_ = 0;
};
