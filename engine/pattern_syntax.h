// A search pattern read into an automaton: a POSIX extended regular expression without
// back-references, or a fixed string, turned into a Thompson NFA over bytes. With case
// ignored, every byte set already holds both cases of each ASCII letter in it.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

using ByteSet = std::bitset<256>;

struct NfaState {
    enum Kind : uint8_t {
        kBytes,      // one byte of bytes, then out
        kSplit,      // out or out1, consuming nothing
        kLineStart,  // '^': on to out only at a line's first byte
        kLineEnd,    // '$': on to out only after a line's last byte
        kMatch,
    };
    Kind kind = kMatch;
    int32_t out = -1;
    int32_t out1 = -1;
    int32_t bytes = -1;  // kBytes: index into PatternProgram::byteSets
};

struct PatternProgram {
    std::vector<NfaState> states;  // states[0] is the one kMatch state
    std::vector<ByteSet> byteSets;
    int32_t start = 0;
    // Bytes that every match holds, in a row; lower-case letters when case is ignored.
    // Empty when the pattern has no such part.
    std::string requiredLiteral;
    // The pattern matches where requiredLiteral occurs and nowhere else.
    bool literalOnly = false;
};

// Limits that keep a pattern from the command line from exhausting the stack or memory.
constexpr int kMaxPatternNesting = 200;      // parentheses and repetitions inside each other
constexpr int kMaxRepetitionCount = 255;     // in {m,n}
constexpr size_t kMaxPatternStates = 100000;

// Reads pattern into program; on failure sets error to what is wrong with it and
// returns false. A line break in the pattern is refused: lines never hold one.
bool CompilePattern(const std::string& pattern, bool fixedString, bool ignoreCase, PatternProgram& program,
                    std::string& error);

inline uint8_t FoldCase(uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? uint8_t(c - 'A' + 'a') : c;
}
