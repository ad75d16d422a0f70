// The line search: what extended regular expressions and fixed strings match, which
// patterns are refused, and work that stays linear in the text whatever the pattern.
#include "text_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TextPattern Compiled(const std::string& pattern, const std::string& flags = "")
{
    TextPattern compiled;
    std::string error;
    EXPECT_TRUE(compiled.Compile(pattern, flags.find('F') != std::string::npos, flags.find('i') != std::string::npos,
                                 error))
        << pattern << ": " << error;
    return compiled;
}

Lines MatchingLinesOf(TextPattern& pattern, const std::string& text)
{
    Lines found;
    MatchingLines lines(pattern, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    size_t start = 0, end = 0;
    while (lines.Next(start, end))
        found.push_back(text.substr(start, end - start));
    return found;
}

std::string Joined(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

}  // namespace

TEST(TextPattern, MatchesTheLinesAnExtendedExpressionOrAFixedStringDescribes)
{
    struct Case {
        const char* pattern;
        const char* flags;  // F: fixed string, i: ignore case
        Lines hits;         // the text is these lines, then the misses
        Lines misses;
    };
    const std::vector<Case> cases = {
        {"a.c", "", {"abc", "xa-cx"}, {"ac", "ab"}},
        {"[b-d]x", "", {"cx"}, {"ax", "Cx"}},
        {"[^a-c]", "", {"d", "abd"}, {"abc"}},
        {"[]a]", "", {"]"}, {"b"}},
        {"[a-]", "", {"-"}, {"b"}},
        {"[[:digit:]][[:upper:]]", "", {"1A"}, {"1a", "A1"}},
        {"ab*c", "", {"ac", "abbbc"}, {"abx"}},
        {"ab+c", "", {"abc", "abbc"}, {"ac"}},
        {"ab?c", "", {"ac", "abc"}, {"abbc"}},
        {"^a{2}$", "", {"aa"}, {"a", "aaa"}},
        {"^a{2,}$", "", {"aa", "aaaa"}, {"a"}},
        {"^a{1,2}$", "", {"a", "aa"}, {"aaa", ""}},
        {"^x{,1}y$", "", {"y", "xy"}, {"xxy"}},
        {"cat|dog", "", {"a dog"}, {"cow"}},
        {"^(ab|cd)+$", "", {"abcdab"}, {"abc"}},
        {"^$", "", {"", ""}, {"x"}},
        {"x$|^y", "", {"ax", "yb"}, {"xa", "by"}},
        {"c$", "", {"abc"}, {"abc\r"}},
        {"a\\.b", "", {"a.b"}, {"axb"}},
        {"\\w+\\s", "", {"ab c"}, {"ab"}},
        {"", "", {"", "anything"}, {}},
        {"*a|a)|a{x", "", {"*a", "a)", "a{x"}, {"a", "ax"}},
        {"MiXeD", "i", {"mixed", "MIXED"}, {"mixd"}},
        {"[a-c]X", "i", {"Bx", "bX"}, {"dx"}},
        {"[^a]", "i", {"b"}, {"A", "a"}},
        {"\xe9t\xe9", "i", {"\xe9t\xe9"}, {"\xc9t\xc9", "ete"}},
        {"a.*[b", "F", {"xa.*[by"}, {"ab"}},
        {"Path/A.GSC", "Fi", {"path/a.gsc"}, {"path/aXgsc"}},
        {"needle", "F", {"a needle", "needle"}, {"needl", "eedle"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + c.flags);
        TextPattern pattern = Compiled(c.pattern, c.flags);
        Lines all = c.hits;
        all.insert(all.end(), c.misses.begin(), c.misses.end());
        EXPECT_EQ(c.hits, MatchingLinesOf(pattern, Joined(all)));
    }
}

TEST(TextPattern, LinesEndAtLineFeedsAndALastOneWithoutCounts)
{
    TextPattern pattern = Compiled("^.*$");
    EXPECT_EQ((Lines{"one", "", "three"}), MatchingLinesOf(pattern, "one\n\nthree"));
    EXPECT_EQ((Lines{"one"}), MatchingLinesOf(pattern, "one\n"));
    EXPECT_EQ(Lines{}, MatchingLinesOf(pattern, ""));
}

TEST(TextPattern, APatternThatDoesNotCompileSaysWhy)
{
    struct Case {
        std::string pattern;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"(ab", "unmatched ("},
        {"[ab", "unmatched ["},
        {"[z-a]", "range out of order"},
        {"a{2,1}", "counts down"},
        {"a{1", "unmatched {"},
        {"x{256}", "above 255"},
        {"a\\", "trailing backslash"},
        {"(a)\\1", "back-references"},
        {"\\bword", "\\b is not supported"},
        {"[[:nope:]]", "unknown character class"},
        {"a\nb", "line break"},
        {std::string(100000, '('), "nested too deeply"},
        {"a" + std::string(100000, '*'), "nested too deeply"},
        {std::string(150, '(') + "a" + std::string(150, '*') + std::string(150, ')'), "nested too deeply"},
        {"((a{255}){255}){255}", "too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.substr(0, 30));
        TextPattern pattern;
        std::string error;
        EXPECT_FALSE(pattern.Compile(c.pattern, false, false, error));
        EXPECT_NE(std::string::npos, error.find(c.says)) << error;
    }
}

// A backtracking matcher takes exponential time on these; the automaton steps once per byte.
TEST(TextPattern, PathologicalPatternsAndHugeLinesCostOneStepPerByte)
{
    struct Case {
        const char* pattern;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"^(a|aa)*$", std::string(100000, 'a') + "b"},
        {"(x+x+)+y", "y" + std::string(50 << 20, 'x')},  // one 50 MB line, its literal at its start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        TextPattern pattern = Compiled(c.pattern);
        EXPECT_EQ(Lines{}, MatchingLinesOf(pattern, c.line));
        EXPECT_LE(pattern.Steps(), c.line.size() + 1);
        EXPECT_LE(pattern.StatesBuilt(), 16u);
    }
}

TEST(TextPattern, AFixedStringAmongNearMissesIsStillFoundInLinearWork)
{
    // The search follows the needle's least common byte, here found at every byte.
    const std::string needle = std::string(200, 'Q') + "q";
    const std::string text = std::string(4 << 20, 'Q') + needle;
    TextPattern pattern = Compiled(needle, "F");
    EXPECT_EQ(Lines{text}, MatchingLinesOf(pattern, text));
    EXPECT_LE(pattern.Steps(), 4 * text.size());
}

TEST(TextPattern, AnAutomatonLargerThanItsCacheStillMatchesRightly)
{
    // An 'a' fourteen bytes before a 'c': the automaton has to tell 2^14 states apart.
    std::mt19937 random(7);
    Lines lines, expected;
    for (int i = 0; i < 200; ++i) {
        std::string line;
        for (int k = 0; k < 300; ++k)
            line += "ab"[random() % 2];
        line += random() % 2 ? "c" : "d";
        lines.push_back(line);
        if (line.back() == 'c' && line[line.size() - 15] == 'a')
            expected.push_back(line);
    }
    TextPattern pattern = Compiled("a[ab]{13}c");
    EXPECT_EQ(expected, MatchingLinesOf(pattern, Joined(lines)));
    EXPECT_GT(pattern.StatesBuilt(), 4096u) << "the cache was emptied on the way";
}
