// Searching text line by line for a pattern (pattern_syntax.h), in time that grows
// linearly with the text whatever the pattern, and with no recursion over the text.
//
// How it works: the pattern's NFA is run as a DFA built lazily, one state per set of NFA
// states met, each state's transitions filled in as bytes first lead out of it. The
// cache of states is bounded; when it is full it is emptied and built again from the
// state at hand, so a pattern whose DFA would be huge costs at most one NFA step per byte.
// Where every match holds a literal, the search jumps between the literal's occurrences
// (LiteralFinder) and runs the automaton only over the lines that hold one; a pattern
// that is nothing but a literal needs no automaton at all.
#pragma once

#include "literal_finder.h"
#include "pattern_syntax.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A compiled pattern with its automaton's cache: one thread at a time uses it, and a copy
// serves another thread.
class TextPattern {
public:
    // Reads the pattern as an extended regular expression, or with fixedString as the
    // bytes it holds. On failure sets error to what is wrong with it and returns false.
    bool Compile(const std::string& pattern, bool fixedString, bool ignoreCase, std::string& error);

    // Whether the line (without its line end) holds a match.
    bool LineMatches(const uint8_t* line, size_t length);

    // The work done so far, for bounding it in tests: bytes the automaton stepped over and
    // bytes compared at the literal's candidates; automaton states built.
    uint64_t Steps() const { return steps_ + finder_.Compared(); }
    uint64_t StatesBuilt() const { return statesBuilt_; }

private:
    friend class MatchingLines;

    struct DfaState {
        std::vector<int32_t> nfa;  // sorted; kBytes, kLineEnd and kMatch states only
        bool lineStart = false;    // at a line's first byte
        bool matchesAtEnd = false;
    };

    void ComputeByteClasses();
    // The NFA states reachable from stack_ without consuming a byte, into out (sorted).
    void Closure(bool atLineStart, bool atLineEnd, std::vector<int32_t>& out);
    // The row of the DFA state for the set, or kMatched or kDead.
    int32_t RowFor(const std::vector<int32_t>& set, bool lineStart);
    int32_t LineStartRow();
    int32_t Step(int32_t row, uint8_t byte);
    void Flush();

    PatternProgram program_;
    LiteralFinder finder_;

    uint8_t classOf_[256] = {};  // bytes that no byte set tells apart share a class
    int32_t classCount_ = 1;
    std::vector<DfaState> states_;
    std::vector<int32_t> table_;  // per state a row of classCount_ next rows (or kUnknown, ...)
    std::unordered_map<std::string, int32_t> rows_;
    size_t cachedSetSize_ = 0;
    int32_t lineStartRow_ = -1;
    uint64_t flushes_ = 0;

    std::vector<uint32_t> seen_;  // per NFA state: the closure that last reached it
    uint32_t closureNumber_ = 0;
    std::vector<int32_t> stack_, next_, atEnd_;

    uint64_t steps_ = 0;
    uint64_t statesBuilt_ = 0;
};

// The lines of one text that hold a match, in order. Lines end at LF, and a last line
// without one counts; a text of no bytes has no lines.
class MatchingLines {
public:
    // The text must stay as it is, and the pattern be used for nothing else, while the
    // lines are read.
    MatchingLines(TextPattern& pattern, const uint8_t* text, size_t size);

    // The next matching line, [start, end): end is the offset of its LF, or the size.
    bool Next(size_t& start, size_t& end);

private:
    size_t LineEnd(size_t from) const;

    TextPattern& pattern_;
    const uint8_t* text_;
    size_t size_;
    size_t from_ = 0;
    bool prefilter_;
};
