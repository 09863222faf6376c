#include "converter/PatternFirstBytes.h"

namespace converter {

namespace {

using ByteSet = std::bitset<256>;

// What a piece of pattern can begin with, whether it can match nothing at all, and
// whether it is an assertion that consumes nothing (which takes no quantifier).
struct Start {
    ByteSet bytes;
    bool nullable = true;
    bool zeroWidth = false;
};

bool isAsciiLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiLetterOrDigit(unsigned char c)
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9');
}

bool isOneOf(unsigned char c, std::string_view set)
{
    return c != 0 && c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

// Punctuation that a backslash turns into itself.
constexpr std::string_view kEscapedLiterals = "\\^$.|?*+()[]{}-/:;,'\"!#%&=@~_<> `";

// Reads a pattern as far as it is made of constructs whose meaning is certain: literal
// characters, ".", a class without nesting, "\d" "\w" "\s" and their kin, "^" "$" "\b",
// groups "(...)" "(?:...)" "(?<name>...)" "(?i:...)", look-ahead, alternatives at any
// depth, and the quantifiers "?" "*" "+" (lazy or possessive). Anything else fails the
// reading, and the pattern is then tried on every message: inline options such as
// "(?i)" (which run to the end of their group, across "|"), intervals and braces (whose
// reading depends on their contents), back references, look-behind, atomic groups,
// escapes not listed, control characters, broken UTF-8.
class FirstBytesReader {
public:
    explicit FirstBytesReader(std::string_view pattern) : pattern_(pattern) {}

    std::optional<Start> read()
    {
        Start start = alternatives(false);
        if (failed_ || position_ != pattern_.size()) {
            return std::nullopt;
        }
        return start;
    }

    // The first group of plain literal alternatives that the whole pattern requires.
    const std::optional<RequiredWords>& requiredWords() const { return required_; }

private:
    static constexpr int kMaxDepth = 64;

    bool atEnd() const { return position_ >= pattern_.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(pattern_[position_]); }
    bool nextIs(std::string_view text) const { return pattern_.substr(position_, text.size()) == text; }

    Start fail()
    {
        failed_ = true;
        return Start();
    }

    // alternative ("|" alternative)*, up to ")" or the end.
    Start alternatives(bool ignoreCase)
    {
        Start result = sequence(ignoreCase);
        while (!failed_ && !atEnd() && peek() == '|') {
            if (depth_ == 0) {
                topLevelAlternatives_ = true; // what one alternative requires, another may not
                required_.reset();
            }
            ++position_;
            const Start next = sequence(ignoreCase);
            result.bytes |= next.bytes;
            result.nullable = result.nullable || next.nullable;
        }
        return result;
    }

    // The atoms of one alternative: their first bytes up to the first one that cannot
    // match nothing. The rest is still read, to find where the alternative ends.
    Start sequence(bool ignoreCase)
    {
        Start result;
        while (!failed_ && !atEnd() && peek() != '|' && peek() != ')') {
            const size_t atomStart = position_;
            Start atom = this->atom(ignoreCase);
            const size_t atomEnd = position_;
            atom = quantified(atom);
            if (failed_) {
                break;
            }
            if (depth_ == 0 && !topLevelAlternatives_ && !required_ && atomEnd == position_
                && pattern_[atomStart] == '(') {
                required_ = requiredWordsOfGroup(pattern_.substr(atomStart, atomEnd - atomStart), ignoreCase);
            }
            if (result.nullable) {
                result.bytes |= atom.bytes;
                result.nullable = atom.nullable;
            }
        }
        return result;
    }

    // "?", "*" or "+", optionally lazy ("?") or possessive ("+"). A brace after an atom
    // is an interval or text depending on what it holds ("a{2}?" is an optional a{2},
    // "x{3,0}" counts from 0 to 3, "^{1,2,3}" is text): not followed.
    Start quantified(Start atom)
    {
        if (atEnd()) {
            return atom;
        }
        const unsigned char c = peek();
        if (c == '{' || c == '}') {
            return fail();
        }
        if (c != '?' && c != '*' && c != '+') {
            return atom;
        }
        if (atom.zeroWidth) {
            return fail();
        }
        ++position_;
        atom.nullable = atom.nullable || c != '+';
        if (!atEnd() && (peek() == '?' || peek() == '+')) {
            ++position_;
        }
        if (!atEnd() && isOneOf(peek(), "?*+{}")) {
            return fail(); // a repeat of a repeat
        }
        return atom;
    }

    Start atom(bool ignoreCase)
    {
        switch (peek()) {
        case '(':
            return group(ignoreCase);
        case '[':
            return characterClass();
        case '.':
            ++position_;
            return anyByte();
        case '^':
        case '$':
            ++position_;
            return assertion();
        case '\\':
            return escape(ignoreCase);
        default:
            // A quantifier with nothing before it, or a brace or bracket standing alone.
            return isOneOf(peek(), "*+?{}]") ? fail() : literal(ignoreCase);
        }
    }

    // "[...]" without nested classes, intersections or escapes beyond a few: it may begin
    // with any byte, and only its end is needed.
    Start characterClass()
    {
        ++position_; // "["
        if (!atEnd() && peek() == '^') {
            ++position_;
        }
        if (!atEnd() && peek() == ']') {
            return fail(); // a leading "]"
        }
        while (!atEnd()) {
            const unsigned char c = peek();
            if (c == ']') {
                ++position_;
                return anyByte();
            }
            if (c == '[' || c == '&' || c < 0x20) {
                return fail();
            }
            if (c == '\\') {
                if (position_ + 1 >= pattern_.size()) {
                    return fail();
                }
                const auto e = static_cast<unsigned char>(pattern_[position_ + 1]);
                if (!isOneOf(e, "dwshDWSH") && !isOneOf(e, kEscapedLiterals)) {
                    return fail();
                }
                ++position_;
            }
            ++position_;
        }
        return fail();
    }

    static Start anyByte()
    {
        Start start;
        start.bytes.set();
        start.nullable = false;
        return start;
    }

    static Start assertion()
    {
        Start start;
        start.zeroWidth = true;
        return start;
    }

    // One character: ASCII, or a whole UTF-8 sequence.
    Start literal(bool ignoreCase)
    {
        const unsigned char byte = peek();
        if (byte < 0x20 || byte == 0x7F) {
            return fail();
        }
        Start start;
        start.nullable = false;
        if (byte < 0x80) {
            ++position_;
            start.bytes.set(byte);
            if (ignoreCase) {
                if (isAsciiLetter(byte)) {
                    start.bytes.set(byte ^ 0x20);
                }
                // Case folding also meets characters outside ASCII (the Kelvin sign for
                // k, the long s, ligatures such as "ff" or "st", the sharp s for "ss").
                addNonAscii(start);
            }
            return start;
        }
        const size_t length = byte >= 0xF5 ? 0 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
        if (length == 0 || position_ + length > pattern_.size()) {
            return fail();
        }
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(pattern_[position_ + i]);
            if (next < 0x80 || next > 0xBF) {
                return fail();
            }
        }
        position_ += length;
        if (ignoreCase) {
            return anyByte(); // folds to ASCII too: "ǰ" meets "J" with a combining caron
        }
        start.bytes.set(byte);
        return start;
    }

    Start escape(bool ignoreCase)
    {
        if (position_ + 1 >= pattern_.size()) {
            return fail();
        }
        const auto e = static_cast<unsigned char>(pattern_[position_ + 1]);
        if (isOneOf(e, kEscapedLiterals)) {
            ++position_;
            return literal(ignoreCase);
        }
        position_ += 2;
        if (e == 'd') {
            Start start;
            start.nullable = false;
            for (int digit = '0'; digit <= '9'; ++digit) {
                start.bytes.set(static_cast<size_t>(digit));
            }
            addNonAscii(start); // other scripts' digits
            return start;
        }
        if (isOneOf(e, "DwWsSHh")) {
            return anyByte();
        }
        if (isOneOf(e, "bBAGzZ")) {
            return assertion();
        }
        return fail(); // \x, \u, \p, \k, \g, back references, \Q, \K, ...
    }

    Start group(bool ignoreCase)
    {
        if (depth_ >= kMaxDepth) {
            return fail();
        }
        ++depth_;
        const Start inner = groupBody(ignoreCase);
        --depth_;
        return inner;
    }

    // The kinds of group followed; false for any other "(?".
    bool groupKind(bool& ignoreCase, bool& lookAhead)
    {
        ++position_; // "("
        if (atEnd() || peek() != '?') {
            return true; // a capturing group
        }
        if (nextIs("?:") || nextIs("?=") || nextIs("?!")) {
            lookAhead = pattern_[position_ + 1] != ':';
            position_ += 2;
            return true;
        }
        if (nextIs("?i:")) {
            position_ += 3;
            ignoreCase = true;
            return true;
        }
        if (!nextIs("?<")) {
            return false; // inline options, atomic groups, comments, conditions, ...
        }
        // "(?<name>": a named group; "(?<=" and "(?<!" (look-behind) fail here.
        size_t end = position_ + 2;
        while (end < pattern_.size() && (isAsciiLetterOrDigit(static_cast<unsigned char>(pattern_[end])) || pattern_[end] == '_')) {
            ++end;
        }
        if (end == position_ + 2 || end >= pattern_.size() || pattern_[end] != '>') {
            return false;
        }
        position_ = end + 1;
        return true;
    }

    Start groupBody(bool ignoreCase)
    {
        bool lookAhead = false;
        if (!groupKind(ignoreCase, lookAhead)) {
            return fail();
        }
        Start inner = alternatives(ignoreCase);
        if (failed_ || atEnd() || peek() != ')') {
            return fail();
        }
        ++position_;
        // A look-ahead consumes nothing: the next atom decides.
        return lookAhead ? assertion() : inner;
    }

    static void addNonAscii(Start& start)
    {
        for (size_t byte = 0x80; byte < 0x100; ++byte) {
            start.bytes.set(byte);
        }
    }

    std::string_view pattern_;
    size_t position_ = 0;
    bool failed_ = false;
    int depth_ = 0;
    bool topLevelAlternatives_ = false;
    std::optional<RequiredWords> required_;
};

} // namespace

std::optional<std::bitset<256>> patternFirstBytes(std::string_view pattern)
{
    const std::optional<Start> start = FirstBytesReader(pattern).read();
    if (!start || start->nullable) {
        return std::nullopt;
    }
    return start->bytes;
}

std::optional<RequiredWords> patternRequiredWords(std::string_view pattern)
{
    FirstBytesReader reader(pattern);
    if (!reader.read()) {
        return std::nullopt;
    }
    return reader.requiredWords();
}

} // namespace converter
