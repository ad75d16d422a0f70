#include "text_pattern.h"

#include <algorithm>
#include <cstring>

namespace {

// Row values that are not rows.
constexpr int32_t kUnknown = -1;  // not built yet
constexpr int32_t kMatched = -2;  // the line holds a match
constexpr int32_t kDead = -3;     // no match can begin or go on in the rest of the line

// The DFA cache: states, and NFA state numbers kept in their sets.
constexpr size_t kMaxDfaStates = 4096;
constexpr size_t kMaxCachedSetSize = size_t(1) << 20;

}  // namespace

bool TextPattern::Compile(const std::string& pattern, bool fixedString, bool ignoreCase, std::string& error)
{
    if (!CompilePattern(pattern, fixedString, ignoreCase, program_, error))
        return false;
    finder_ = LiteralFinder(program_.requiredLiteral, ignoreCase);
    ComputeByteClasses();
    seen_.assign(program_.states.size(), 0);
    closureNumber_ = 0;
    Flush();
    return true;
}

void TextPattern::ComputeByteClasses()
{
    memset(classOf_, 0, sizeof classOf_);
    classCount_ = 1;
    for (const ByteSet& set : program_.byteSets) {
        int16_t renumbered[512];
        std::fill(renumbered, renumbered + 2 * classCount_, int16_t(-1));
        int32_t count = 0;
        for (int b = 0; b < 256; ++b) {
            int16_t& number = renumbered[classOf_[b] * 2 + (set[size_t(b)] ? 1 : 0)];
            if (number < 0)
                number = int16_t(count++);
            classOf_[b] = uint8_t(number);
        }
        classCount_ = count;
    }
}

void TextPattern::Flush()
{
    states_.clear();
    table_.clear();
    rows_.clear();
    cachedSetSize_ = 0;
    lineStartRow_ = kUnknown;
    ++flushes_;
}

void TextPattern::Closure(bool atLineStart, bool atLineEnd, std::vector<int32_t>& out)
{
    if (++closureNumber_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        closureNumber_ = 1;
    }
    out.clear();
    while (!stack_.empty()) {
        const int32_t s = stack_.back();
        stack_.pop_back();
        if (seen_[size_t(s)] == closureNumber_)
            continue;
        seen_[size_t(s)] = closureNumber_;
        const NfaState& state = program_.states[size_t(s)];
        switch (state.kind) {
        case NfaState::kSplit:
            stack_.push_back(state.out1);
            stack_.push_back(state.out);
            break;
        case NfaState::kLineStart:
            if (atLineStart)
                stack_.push_back(state.out);
            break;
        case NfaState::kLineEnd:
            out.push_back(s);
            if (atLineEnd)
                stack_.push_back(state.out);
            break;
        case NfaState::kBytes:
        case NfaState::kMatch:
            out.push_back(s);
            break;
        }
    }
    std::sort(out.begin(), out.end());
}

int32_t TextPattern::RowFor(const std::vector<int32_t>& set, bool lineStart)
{
    if (!set.empty() && set[0] == 0)  // the match state
        return kMatched;
    if (set.empty())
        return kDead;
    std::string key(reinterpret_cast<const char*>(set.data()), set.size() * sizeof(int32_t));
    key += char(lineStart);
    const auto found = rows_.find(key);
    if (found != rows_.end())
        return found->second;
    if (states_.size() >= kMaxDfaStates || cachedSetSize_ + set.size() > kMaxCachedSetSize)
        Flush();

    DfaState state;
    state.nfa = set;
    state.lineStart = lineStart;
    stack_.assign(set.begin(), set.end());
    Closure(lineStart, true, atEnd_);
    state.matchesAtEnd = !atEnd_.empty() && atEnd_[0] == 0;
    const int32_t row = int32_t(states_.size()) * classCount_;
    states_.push_back(std::move(state));
    table_.resize(table_.size() + size_t(classCount_), kUnknown);
    rows_.emplace(std::move(key), row);
    cachedSetSize_ += set.size();
    ++statesBuilt_;
    return row;
}

int32_t TextPattern::LineStartRow()
{
    if (lineStartRow_ == kUnknown) {
        stack_.assign(1, program_.start);
        Closure(true, false, next_);
        const int32_t row = RowFor(next_, true);
        lineStartRow_ = row;
    }
    return lineStartRow_;
}

int32_t TextPattern::Step(int32_t row, uint8_t byte)
{
    stack_.clear();
    for (const int32_t s : states_[size_t(row / classCount_)].nfa) {
        const NfaState& state = program_.states[size_t(s)];
        if (state.kind == NfaState::kBytes && program_.byteSets[size_t(state.bytes)][byte])
            stack_.push_back(state.out);
    }
    stack_.push_back(program_.start);  // a match may also begin at the next byte
    Closure(false, false, next_);
    const uint64_t flushesBefore = flushes_;
    const int32_t next = RowFor(next_, false);
    if (flushes_ == flushesBefore)
        table_[size_t(row + classOf_[byte])] = next;
    return next;
}

bool TextPattern::LineMatches(const uint8_t* line, size_t length)
{
    int32_t row = LineStartRow();
    if (row < 0)
        return row == kMatched;
    const int32_t* table = table_.data();
    for (size_t i = 0; i < length; ++i) {
        int32_t next = table[row + classOf_[line[i]]];
        if (next < 0) {
            if (next == kUnknown) {
                next = Step(row, line[i]);
                table = table_.data();
            }
            if (next < 0) {
                steps_ += i + 1;
                return next == kMatched;
            }
        }
        row = next;
    }
    steps_ += length;
    return states_[size_t(row / classCount_)].matchesAtEnd;
}

MatchingLines::MatchingLines(TextPattern& pattern, const uint8_t* text, size_t size)
    : pattern_(pattern), text_(text), size_(size), prefilter_(!pattern.finder_.Empty())
{
    if (prefilter_)
        pattern_.finder_.Reset(text, size);
}

size_t MatchingLines::LineEnd(size_t from) const
{
    const void* lf = from < size_ ? memchr(text_ + from, '\n', size_ - from) : nullptr;
    return lf ? size_t(static_cast<const uint8_t*>(lf) - text_) : size_;
}

bool MatchingLines::Next(size_t& start, size_t& end)
{
    LiteralFinder& finder = pattern_.finder_;
    while (from_ < size_) {
        bool holdsLiteral = false;
        if (prefilter_) {
            const size_t hit = finder.Find(from_);
            if (finder.GaveUp()) {
                prefilter_ = false;  // line by line through the automaton from here on
                continue;
            }
            if (hit == std::string::npos) {
                from_ = size_;
                return false;
            }
            start = hit;
            while (start > from_ && text_[start - 1] != '\n')
                --start;
            end = LineEnd(hit + finder.Length());
            holdsLiteral = true;
        } else {
            start = from_;
            end = LineEnd(from_);
        }
        from_ = end + 1;
        if ((holdsLiteral && pattern_.program_.literalOnly) || pattern_.LineMatches(text_ + start, end - start))
            return true;
    }
    return false;
}
