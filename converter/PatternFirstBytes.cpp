#include "converter/PatternFirstBytes.h"

namespace converter {

namespace {

using ByteSet = std::bitset<256>;

// What a piece of pattern can begin with, and whether it can match nothing at all.
struct Start {
    ByteSet bytes;
    bool nullable = true;
};

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
    bool atEnd() const { return position_ >= pattern_.size(); }
    char peek() const { return pattern_[position_]; }

    void fail() { failed_ = true; }

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
            if (pattern_.substr(position_, 4) == "(?i)") {
                // "(?i)" switches the rest of the group to ignoring case.
                position_ += 4;
                ignoreCase = true;
                continue;
            }
            const size_t atomStart = position_;
            Start atom = this->atom(ignoreCase);
            const size_t atomEnd = position_;
            atom = quantified(atom);
            if (depth_ == 0 && !topLevelAlternatives_ && !required_ && !failed_ && atomEnd == position_
                && pattern_[atomStart] == '(') {
                required_ = literalAlternatives(pattern_.substr(atomStart, atomEnd - atomStart), ignoreCase);
            }
            if (result.nullable) {
                result.bytes |= atom.bytes;
                result.nullable = atom.nullable;
            }
        }
        return result;
    }

    // A quantifier after an atom may let it match nothing.
    Start quantified(Start atom)
    {
        if (atEnd()) {
            return atom;
        }
        const char c = peek();
        if (c == '?' || c == '*') {
            ++position_;
            atom.nullable = true;
        } else if (c == '+') {
            ++position_;
        } else if (c == '{') {
            const size_t close = pattern_.find('}', position_);
            if (close == std::string_view::npos) {
                fail();
                return atom;
            }
            const std::string_view bounds = pattern_.substr(position_ + 1, close - position_ - 1);
            // "{n}", "{n,}", "{n,m}", "{,m}": nothing unless the lower bound is at least 1.
            const bool lowerAtLeastOne = !bounds.empty() && bounds.front() >= '1' && bounds.front() <= '9';
            const bool digitsOnly = bounds.find_first_not_of("0123456789,") == std::string_view::npos;
            if (!digitsOnly) {
                fail();
                return atom;
            }
            atom.nullable = atom.nullable || !lowerAtLeastOne;
            position_ = close + 1;
        } else {
            return atom;
        }
        // Lazy "?" or possessive "+" after a quantifier changes nothing here.
        if (!atEnd() && (peek() == '?' || peek() == '+')) {
            ++position_;
        }
        return atom;
    }

    Start atom(bool ignoreCase)
    {
        const char c = peek();
        switch (c) {
        case '(':
            return group(ignoreCase);
        case '[':
            return characterClass();
        case '*':
        case '+':
        case '?':
        case '{':
            fail(); // a character class, or a quantifier with nothing before it
            return Start();
        case '.':
            ++position_;
            return anyByte();
        case '^':
        case '$':
            ++position_;
            return Start(); // zero width
        case '\\':
            return escape(ignoreCase);
        default:
            return literal(ignoreCase);
        }
    }

    // "[...]", possibly nested, read past: it may begin with any byte.
    Start characterClass()
    {
        int depth = 0;
        while (!atEnd()) {
            const char c = peek();
            if (c == '\\') {
                position_ += 2;
                continue;
            }
            if (c == '[') {
                ++depth;
                ++position_;
                // A "]" right after the opening "[" (or "[^") is a member, not the end.
                if (!atEnd() && peek() == '^') {
                    ++position_;
                }
                if (!atEnd() && peek() == ']') {
                    ++position_;
                }
                continue;
            }
            ++position_;
            if (c == ']' && --depth == 0) {
                return anyByte();
            }
        }
        fail();
        return Start();
    }

    static Start anyByte()
    {
        Start start;
        start.bytes.set();
        start.nullable = false;
        return start;
    }

    Start literal(bool ignoreCase)
    {
        const auto byte = static_cast<unsigned char>(peek());
        // A character of several UTF-8 bytes begins with its lead byte.
        size_t length = 1;
        if (byte >= 0xF0) {
            length = 4;
        } else if (byte >= 0xE0) {
            length = 3;
        } else if (byte >= 0xC0) {
            length = 2;
        }
        position_ += length;
        if (position_ > pattern_.size()) {
            fail();
            return Start();
        }
        Start start;
        start.nullable = false;
        if (ignoreCase && byte >= 0x80) {
            return anyByte(); // case folding outside ASCII is not followed
        }
        start.bytes.set(byte);
        if (ignoreCase && ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'))) {
            start.bytes.set(byte ^ 0x20);
            // Case folding also meets letters outside ASCII (the Kelvin sign for k, the
            // long s, ligatures such as "ff" or "st", the sharp s for "ss").
            addNonAscii(start);
        }
        return start;
    }

    Start escape(bool ignoreCase)
    {
        if (position_ + 1 >= pattern_.size()) {
            fail();
            return Start();
        }
        const char e = pattern_[position_ + 1];
        position_ += 2;
        Start start;
        start.nullable = false;
        switch (e) {
        case 'd':
            for (int digit = '0'; digit <= '9'; ++digit) {
                start.bytes.set(static_cast<size_t>(digit));
            }
            addNonAscii(start); // other scripts' digits
            return start;
        case 'b':
        case 'B':
        case 'A':
        case 'G':
            return Start(); // zero width
        case 's':
        case 'S':
        case 'w':
        case 'W':
        case 'D':
        case 'h':
        case 'H':
            return anyByte();
        default:
            break;
        }
        const bool letterOrDigit = (e >= 'a' && e <= 'z') || (e >= 'A' && e <= 'Z') || (e >= '0' && e <= '9');
        if (letterOrDigit) {
            fail(); // \x, \u, \p, \k, back references, ... are not followed
            return Start();
        }
        // An escaped punctuation character stands for itself.
        --position_;
        return literal(ignoreCase);
    }

    // "(...)", "(?:...)" or "(?i:...)" holding only plain words separated by "|".
    static std::optional<RequiredWords> literalAlternatives(std::string_view group, bool ignoreCase)
    {
        std::string_view body = group.substr(1, group.size() - 2);
        if (body.substr(0, 2) == "?:") {
            body.remove_prefix(2);
        } else if (body.substr(0, 3) == "?i:") {
            body.remove_prefix(3);
            ignoreCase = true;
        } else if (!body.empty() && body.front() == '?') {
            return std::nullopt;
        }
        RequiredWords required;
        required.ignoreCase = ignoreCase;
        std::string word;
        for (size_t i = 0; i <= body.size(); ++i) {
            if (i == body.size() || body[i] == '|') {
                if (word.empty()) {
                    return std::nullopt;
                }
                required.words.push_back(word);
                word.clear();
                continue;
            }
            const auto c = static_cast<unsigned char>(body[i]);
            const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            if (c == '\\' && i + 1 < body.size()) {
                const auto e = static_cast<unsigned char>(body[i + 1]);
                const bool escapedWord = (e >= 'a' && e <= 'z') || (e >= 'A' && e <= 'Z') || (e >= '0' && e <= '9');
                if (escapedWord || e >= 0x80) {
                    return std::nullopt;
                }
                word.push_back(static_cast<char>(e));
                ++i;
            } else if (letterOrDigit || c == ' ' || c == '-' || c == '_' || c == ':' || c == ',' || c == '\'') {
                word.push_back(static_cast<char>(c));
            } else {
                return std::nullopt; // anything with a meaning of its own, or beyond ASCII
            }
        }
        return required;
    }

    Start group(bool ignoreCase)
    {
        ++depth_;
        const Start inner = groupBody(ignoreCase);
        --depth_;
        return inner;
    }

    Start groupBody(bool ignoreCase)
    {
        ++position_; // "("
        bool lookaround = false;
        if (!atEnd() && peek() == '?') {
            ++position_;
            if (atEnd()) {
                fail();
                return Start();
            }
            const char kind = peek();
            if (kind == ':') {
                ++position_;
            } else if (kind == '=' || kind == '!') {
                ++position_;
                lookaround = true;
            } else if (kind == 'i' && position_ + 1 < pattern_.size() && pattern_[position_ + 1] == ':') {
                position_ += 2;
                ignoreCase = true;
            } else if (kind == '<' && position_ + 1 < pattern_.size() && pattern_[position_ + 1] != '='
                && pattern_[position_ + 1] != '!') {
                const size_t close = pattern_.find('>', position_);
                if (close == std::string_view::npos) {
                    fail();
                    return Start();
                }
                position_ = close + 1; // a named group
            } else {
                fail(); // look-behind, atomic groups, other options
                return Start();
            }
        }
        Start inner = alternatives(ignoreCase);
        if (failed_ || atEnd() || peek() != ')') {
            fail();
            return Start();
        }
        ++position_;
        // A look-ahead consumes nothing: the next atom decides.
        return lookaround ? Start() : inner;
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

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

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

bool RequiredWords::mayMatch(std::string_view text) const
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    for (const std::string& word : words) {
        if (!ignoreCase) {
            if (text.find(word) != std::string_view::npos) {
                return true;
            }
            continue;
        }
        for (size_t at = 0; at + word.size() <= text.size(); ++at) {
            size_t i = 0;
            while (i < word.size() && lowerAscii(text[at + i]) == lowerAscii(word[i])) {
                ++i;
            }
            if (i == word.size()) {
                return true;
            }
        }
    }
    return false;
}

} // namespace converter
