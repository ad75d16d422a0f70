#include "pattern_syntax.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

// A literal that long is plenty for finding candidate lines; longer ones are cut.
constexpr size_t kMaxLiteral = 1024;
// A part that matches one text only is searched for as that text up to this length.
constexpr size_t kMaxExactText = 64 * 1024;

struct Node {
    enum Kind { kEmpty, kBytes, kConcat, kAlternation, kRepeat, kLineStart, kLineEnd };
    Kind kind = kEmpty;
    ByteSet bytes;               // kBytes
    std::vector<Node> children;  // kConcat, kAlternation; kRepeat has one
    int min = 0;                 // kRepeat
    int max = 0;                 // kRepeat; -1: no limit
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void FoldSet(ByteSet& set)
{
    for (int c = 'a'; c <= 'z'; ++c) {
        const int upper = c - 'a' + 'A';
        if (set[size_t(c)] || set[size_t(upper)])
            set.set(size_t(c)).set(size_t(upper));
    }
}

// Adds every byte for which test holds.
template <typename Test>
void AddWhere(ByteSet& set, Test test)
{
    for (int c = 0; c < 256; ++c)
        if (test(c))
            set.set(size_t(c));
}

bool AddNamedClass(const std::string& name, ByteSet& set)
{
    const auto upper = [](int c) { return c >= 'A' && c <= 'Z'; };
    const auto lower = [](int c) { return c >= 'a' && c <= 'z'; };
    const auto digit = [](int c) { return c >= '0' && c <= '9'; };
    const auto alpha = [&](int c) { return upper(c) || lower(c); };
    const auto alnum = [&](int c) { return alpha(c) || digit(c); };
    const auto graph = [](int c) { return c > 32 && c < 127; };
    if (name == "alpha")
        AddWhere(set, alpha);
    else if (name == "digit")
        AddWhere(set, digit);
    else if (name == "alnum")
        AddWhere(set, alnum);
    else if (name == "upper")
        AddWhere(set, upper);
    else if (name == "lower")
        AddWhere(set, lower);
    else if (name == "space")
        AddWhere(set, [](int c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
    else if (name == "blank")
        AddWhere(set, [](int c) { return c == ' ' || c == '\t'; });
    else if (name == "cntrl")
        AddWhere(set, [](int c) { return c < 32 || c == 127; });
    else if (name == "print")
        AddWhere(set, [](int c) { return c >= 32 && c < 127; });
    else if (name == "graph")
        AddWhere(set, graph);
    else if (name == "punct")
        AddWhere(set, [&](int c) { return graph(c) && !alnum(c); });
    else if (name == "xdigit")
        AddWhere(set, [&](int c) { return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); });
    else
        return false;
    return true;
}

// Recursive descent over the pattern. Nesting is counted, so the depth of the recursion
// (and of the tree it builds) stays within kMaxPatternNesting levels whatever the pattern:
// parentheses on the way down, and on the way back up parentheses and repetitions around
// each other, as "((a*)*)*" nests three repetitions in two groups.
class Parser {
public:
    Parser(const std::string& text, bool ignoreCase) : text_(text), ignoreCase_(ignoreCase) {}

    bool Parse(Node& root, std::string& error)
    {
        int nesting = 0;
        const bool parsed = ParseAlternation(root, 0, nesting);
        error = error_;
        return parsed;
    }

private:
    bool Fail(const std::string& why)
    {
        error_ = why;
        return false;
    }
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek(size_t ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }

    Node ByteNode(const ByteSet& bytes) const
    {
        Node node;
        node.kind = Node::kBytes;
        node.bytes = bytes;
        if (ignoreCase_)
            FoldSet(node.bytes);
        return node;
    }
    Node LiteralNode(char c) const { return ByteNode(ByteSet().set(uint8_t(c))); }

    static void Unwrap(Node& node)
    {
        if (node.children.size() == 1) {
            Node only = std::move(node.children[0]);
            node = std::move(only);
        } else if (node.children.empty()) {
            node.kind = Node::kEmpty;
        }
    }

    // depth: the parentheses around this part; nesting: how deep its own tree goes.
    bool ParseAlternation(Node& out, int depth, int& nesting)
    {
        out.kind = Node::kAlternation;
        nesting = 0;
        for (;;) {
            out.children.emplace_back();
            int branchNesting = 0;
            if (!ParseBranch(out.children.back(), depth, branchNesting))
                return false;
            nesting = std::max(nesting, branchNesting);
            if (AtEnd() || Peek() != '|')
                break;
            ++at_;
        }
        Unwrap(out);
        return true;
    }

    bool ParseBranch(Node& out, int depth, int& nesting)
    {
        out.kind = Node::kConcat;
        while (!AtEnd() && Peek() != '|') {
            if (Peek() == ')' && depth > 0)
                break;  // the group's end; outside every group a ')' is an atom (ParseAtom)
            Node atom;
            bool repeatable = true;
            int pieceNesting = 0;
            if (!ParseAtom(atom, depth, repeatable, pieceNesting))
                return false;
            while (repeatable && !AtEnd()) {
                int min = 0, max = 0;
                bool found = false;
                if (!ParseRepetition(min, max, found))
                    return false;
                if (!found)
                    break;
                if (depth + ++pieceNesting > kMaxPatternNesting)
                    return Fail("repetitions nested too deeply");
                Node repeat;
                repeat.kind = Node::kRepeat;
                repeat.min = min;
                repeat.max = max;
                repeat.children.push_back(std::move(atom));
                atom = std::move(repeat);
            }
            out.children.push_back(std::move(atom));
            nesting = std::max(nesting, pieceNesting);
        }
        Unwrap(out);
        return true;
    }

    // A repetition operator, if one follows: *, +, ?, {m}, {m,}, {m,n} or {,n}. A '{' that
    // starts none of these stands for itself.
    bool ParseRepetition(int& min, int& max, bool& found)
    {
        const char c = Peek();
        found = true;
        if (c == '*' || c == '+' || c == '?') {
            ++at_;
            min = c == '+' ? 1 : 0;
            max = c == '?' ? 1 : -1;
            return true;
        }
        if (c != '{' || !(IsDigit(Peek(1)) || Peek(1) == ',')) {
            found = false;
            return true;
        }
        ++at_;
        min = ReadCount();
        max = min;
        if (Peek() == ',') {
            ++at_;
            max = IsDigit(Peek()) ? ReadCount() : -1;
        }
        if (Peek() != '}')
            return Fail("unmatched { in a repetition");
        ++at_;
        if (min > kMaxRepetitionCount || max > kMaxRepetitionCount)
            return Fail("repetition count above " + std::to_string(kMaxRepetitionCount));
        if (max >= 0 && min > max)
            return Fail("repetition {" + std::to_string(min) + "," + std::to_string(max) + "} counts down");
        return true;
    }

    int ReadCount()
    {
        int count = 0;
        while (IsDigit(Peek())) {
            if (count <= kMaxRepetitionCount)
                count = count * 10 + (Peek() - '0');
            ++at_;
        }
        return count;
    }

    bool ParseAtom(Node& out, int depth, bool& repeatable, int& nesting)
    {
        const char c = text_[at_++];
        switch (c) {
        case '(':
            if (depth + 1 > kMaxPatternNesting)
                return Fail("parentheses nested too deeply");
            if (!ParseAlternation(out, depth + 1, nesting))
                return false;
            if (AtEnd() || Peek() != ')')
                return Fail("unmatched (");
            ++nesting;
            ++at_;
            return true;
        case '[': {
            ByteSet set;
            if (!ParseBracket(set))
                return false;
            out.kind = Node::kBytes;
            out.bytes = set;
            return true;
        }
        case '.':
            out = ByteNode(ByteSet().set());
            return true;
        case '^':
        case '$':
            out.kind = c == '^' ? Node::kLineStart : Node::kLineEnd;
            repeatable = false;
            return true;
        case '\\':
            return ParseEscape(out);
        default:
            // Also a '*', '+', '?' or '{' with nothing before it to repeat, and a ')'
            // that closes no '('.
            out = LiteralNode(c);
            return true;
        }
    }

    bool ParseEscape(Node& out)
    {
        if (AtEnd())
            return Fail("trailing backslash");
        const char c = text_[at_++];
        ByteSet set;
        if (c == 'w' || c == 'W') {
            AddNamedClass("alnum", set);
            set.set('_');
        } else if (c == 's' || c == 'S') {
            AddNamedClass("space", set);
        } else if (c >= '1' && c <= '9') {
            return Fail("back-references are not supported");
        } else if (IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '<' || c == '>' || c == '`' ||
                   c == '\'') {
            return Fail(std::string("\\") + c + " is not supported");
        } else {
            out = LiteralNode(c);
            return true;
        }
        if (c == 'W' || c == 'S')
            set.flip();
        out = ByteNode(set);
        return true;
    }

    // After the '[': the bytes up to the closing ']'.
    bool ParseBracket(ByteSet& set)
    {
        const bool negated = Peek() == '^';
        if (negated)
            ++at_;
        for (bool first = true;; first = false) {
            if (AtEnd())
                return Fail("unmatched [");
            if (Peek() == ']' && !first) {
                ++at_;
                break;
            }
            if (Peek() == '[' && Peek(1) == ':') {
                const size_t close = text_.find(":]", at_ + 2);
                if (close == std::string::npos)
                    return Fail("unmatched [");
                const std::string name = text_.substr(at_ + 2, close - at_ - 2);
                if (!AddNamedClass(name, set))
                    return Fail("unknown character class [:" + name + ":]");
                at_ = close + 2;
                continue;
            }
            uint8_t low = 0, high = 0;
            if (!ReadBracketByte(low))
                return false;
            high = low;
            if (Peek() == '-' && Peek(1) != ']' && at_ + 1 < text_.size()) {
                ++at_;
                if (!ReadBracketByte(high))
                    return false;
                if (high < low)
                    return Fail("range out of order in [...]");
            }
            for (int b = low; b <= high; ++b)
                set.set(size_t(b));
        }
        if (ignoreCase_)
            FoldSet(set);
        if (negated)
            set.flip();
        return true;
    }

    // One byte of a bracket expression: itself, or [.c.] or [=c=] for a single byte c.
    bool ReadBracketByte(uint8_t& byte)
    {
        if (Peek() == '[' && (Peek(1) == '.' || Peek(1) == '=')) {
            const std::string close = std::string(1, Peek(1)) + "]";
            const size_t end = text_.find(close, at_ + 2);
            if (end == std::string::npos)
                return Fail("unmatched [");
            if (end != at_ + 3)
                return Fail("only single characters are supported in [. .] and [= =]");
            byte = uint8_t(text_[at_ + 2]);
            at_ = end + 2;
            return true;
        }
        byte = uint8_t(text_[at_++]);
        return true;
    }

    const std::string& text_;
    const bool ignoreCase_;
    size_t at_ = 0;
    std::string error_;
};

// What a part of the pattern tells about the bytes of its matches.
struct Literal {
    bool exact = false;    // the part matches text and nothing else
    std::string text;      // exact only
    std::string required;  // bytes in a row that every match of the part holds
};

// The byte a set stands for when it holds one byte (under case folding, one letter).
bool SingleByte(const ByteSet& set, bool ignoreCase, char& byte)
{
    const size_t count = set.count();
    if (count != 1 && !(ignoreCase && count == 2))
        return false;
    for (int c = 0; c < 256; ++c) {
        if (!set[size_t(c)])
            continue;
        byte = char(ignoreCase ? FoldCase(uint8_t(c)) : uint8_t(c));
        return count == 1 || (c >= 'A' && c <= 'Z' && set[size_t(c - 'A' + 'a')]);
    }
    return false;
}

std::string Repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times && out.size() + text.size() <= kMaxLiteral; ++i)
        out += text;
    return out;
}

Literal Analyze(const Node& node, bool ignoreCase)
{
    Literal result;
    switch (node.kind) {
    case Node::kEmpty:
        result.exact = true;
        break;
    case Node::kBytes: {
        char byte = 0;
        if (SingleByte(node.bytes, ignoreCase, byte)) {
            result.exact = true;
            result.text = result.required = std::string(1, byte);
        }
        break;
    }
    case Node::kLineStart:
    case Node::kLineEnd:
        break;
    case Node::kConcat: {
        result.exact = true;
        std::string run;  // of exact parts in a row
        const auto consider = [&](const std::string& candidate) {
            if (candidate.size() > result.required.size())
                result.required = candidate.substr(0, kMaxLiteral);
        };
        for (const Node& child : node.children) {
            const Literal part = Analyze(child, ignoreCase);
            if (part.exact && run.size() + part.text.size() <= kMaxExactText) {
                run += part.text;
                continue;
            }
            result.exact = false;
            consider(run);
            run.clear();
            consider(part.required);
        }
        consider(run);
        if (result.exact)
            result.text = run;
        break;
    }
    case Node::kAlternation: {
        const Literal first = Analyze(node.children[0], ignoreCase);
        bool same = first.exact;
        for (size_t i = 1; i < node.children.size() && same; ++i) {
            const Literal other = Analyze(node.children[i], ignoreCase);
            same = other.exact && other.text == first.text;
        }
        if (same)
            result = first;
        break;
    }
    case Node::kRepeat: {
        if (node.max == 0) {
            result.exact = true;
            break;
        }
        const Literal body = Analyze(node.children[0], ignoreCase);
        const std::string once = body.exact ? body.text : body.required;
        if (body.exact && node.min == node.max && body.text.size() * size_t(node.min) <= kMaxLiteral) {
            result.exact = true;
            result.text = Repeated(body.text, node.min);
        }
        if (node.min >= 1)
            result.required = body.exact ? Repeated(once, node.min) : once;
        break;
    }
    }
    return result;
}

// Thompson's construction, from the end of the pattern towards its start: each part is
// built in front of the state that follows it.
class NfaBuilder {
public:
    explicit NfaBuilder(PatternProgram& program) : program_(program)
    {
        program_.states.assign(1, NfaState());  // the match state
    }

    bool Failed() const { return failed_; }

    int32_t Build(const Node& node, int32_t out)
    {
        if (failed_)
            return out;
        switch (node.kind) {
        case Node::kEmpty:
            return out;
        case Node::kBytes:
            return Add(NfaState::kBytes, out, -1, SetIndex(node.bytes));
        case Node::kLineStart:
            return Add(NfaState::kLineStart, out);
        case Node::kLineEnd:
            return Add(NfaState::kLineEnd, out);
        case Node::kConcat:
            for (size_t i = node.children.size(); i-- > 0;)
                out = Build(node.children[i], out);
            return out;
        case Node::kAlternation: {
            int32_t entry = Build(node.children.back(), out);
            for (size_t i = node.children.size() - 1; i-- > 0;)
                entry = Add(NfaState::kSplit, Build(node.children[i], out), entry);
            return entry;
        }
        case Node::kRepeat:
            return BuildRepeat(node, out);
        }
        return out;
    }

private:
    // x{m,n} as m copies of x, then n - m optional ones; x{m,} as m copies, then a loop.
    int32_t BuildRepeat(const Node& node, int32_t out)
    {
        const Node& body = node.children[0];
        int32_t next = out;
        if (node.max < 0) {
            const int32_t loop = Add(NfaState::kSplit, -1, out);
            const int32_t entry = Build(body, loop);
            if (!failed_)
                program_.states[size_t(loop)].out = entry;
            next = loop;
        } else {
            for (int i = node.min; i < node.max && !failed_; ++i)
                next = Add(NfaState::kSplit, Build(body, next), out);
        }
        for (int i = 0; i < node.min && !failed_; ++i)
            next = Build(body, next);
        return next;
    }

    int32_t Add(NfaState::Kind kind, int32_t out, int32_t out1 = -1, int32_t bytes = -1)
    {
        if (program_.states.size() >= kMaxPatternStates) {
            failed_ = true;
            return 0;
        }
        NfaState state;
        state.kind = kind;
        state.out = out;
        state.out1 = out1;
        state.bytes = bytes;
        program_.states.push_back(state);
        return int32_t(program_.states.size() - 1);
    }

    int32_t SetIndex(const ByteSet& set)
    {
        const auto found = setIndex_.try_emplace(set, int32_t(program_.byteSets.size()));
        if (found.second)
            program_.byteSets.push_back(set);
        return found.first->second;
    }

    PatternProgram& program_;
    std::unordered_map<ByteSet, int32_t> setIndex_;
    bool failed_ = false;
};

}  // namespace

bool CompilePattern(const std::string& pattern, bool fixedString, bool ignoreCase, PatternProgram& program,
                    std::string& error)
{
    if (pattern.find('\n') != std::string::npos) {
        error = "a pattern cannot hold a line break";
        return false;
    }
    Node root;
    if (fixedString) {
        root.kind = Node::kConcat;
        for (const char c : pattern) {
            root.children.emplace_back();
            Node& byte = root.children.back();
            byte.kind = Node::kBytes;
            byte.bytes.set(uint8_t(c));
            if (ignoreCase)
                FoldSet(byte.bytes);
        }
    } else if (!Parser(pattern, ignoreCase).Parse(root, error)) {
        return false;
    }

    program = PatternProgram();
    NfaBuilder builder(program);
    program.start = builder.Build(root, 0);
    if (builder.Failed()) {
        error = "the pattern is too large";
        return false;
    }
    const Literal literal = Analyze(root, ignoreCase);
    program.literalOnly = literal.exact;
    program.requiredLiteral = literal.exact ? literal.text : literal.required;
    return true;
}
