// Patterns made from the input's bytes, and messages to try them on. Property: a rule
// never turns away, before matching, a message that its pattern matches (anchored at
// the start, compiled as the rules compile it): not by its literal prefix, its first
// bytes or its required words when applied, nor by the first-byte index of a rule set.
// The patterns mix what those filters read with what they must let through untouched:
// inline options ("(?i)", "(?-i)", "(?i:...)", "(?m)"), alternatives at every depth,
// intervals of every form, anchors, look-around, back references, classes, and letters
// that fold to others when case is ignored. While a pattern is made, a message that it
// probably matches is made beside it, with letters in either case or folded. Only a
// pattern whose filters turn some message away can show a fault: other inputs are not
// kept in the corpus.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include <oniguruma.h>

#include "converter/MessageRuleSet.h"

namespace {

// The input read as a sequence of choices; an exhausted input chooses 0 from then on.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned pick(unsigned count) { return at_ < size_ ? data_[at_++] % count : 0; }
    template <size_t N> const char* pickFrom(const char* const (&items)[N]) { return items[pick(N)]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A piece of pattern and a text that it matches (often: where it depends on what
// follows, such as a look-ahead or an anchor, it may not).
struct Piece {
    const char* pattern;
    const char* sample;
};

const Piece kLetters[] = { { "a", "a" }, { "A", "A" }, { "k", "k" }, { "K", "K" }, { "s", "s" }, { "S", "S" },
    { "f", "f" }, { "F", "F" }, { "w", "w" }, { "j", "j" }, { "i", "i" }, { "ss", "ss" }, { "st", "st" },
    { "ff", "ff" }, { "fatal", "fatal" }, { "Warning", "Warning" } };
// Under ignored case, texts a letter or word may also meet.
const Piece kFolds[] = { { "k", "\xE2\x84\xAA" }, { "K", "\xE2\x84\xAA" }, { "s", "\xC5\xBF" }, { "S", "\xC5\xBF" },
    { "ss", "\xC3\x9F" }, { "st", "\xEF\xAC\x86" }, { "ff", "\xEF\xAC\x80" }, { "j", "\xC7\xB0" }, { "i", "\xC4\xB0" },
    { "\xC3\x9F", "ss" }, { "\xC3\x9F", "SS" }, { "\xC5\xBF", "S" }, { "\xE2\x84\xAA", "k" }, { "\xC7\xB0", "J\xCC\x8C" },
    { "\xE2\x84\xAB", "\xC3\xA5" }, { "\xC3\xA9", "\xC3\x89" }, { "\xCF\x83", "\xCF\x82" }, { "\xEF\xAC\x86", "ST" } };
// Each kind of piece in two sets: the common constructs, and the rarer ones, which a
// pattern holds only when its family is switched on for it.
const Piece kOthers[] = { { " ", " " }, { "-", "-" }, { ":", ":" }, { ",", "," }, { "1", "1" }, { "#", "#" },
    { "'", "'" }, { "<", "<" }, { ">", ">" }, { "\xC3\xA9", "\xC3\xA9" }, { "\xC3\x9F", "\xC3\x9F" },
    { "\xC5\xBF", "\xC5\xBF" }, { "\xE2\x84\xAA", "\xE2\x84\xAA" }, { "\xC7\xB0", "\xC7\xB0" }, { "\xE6\x97\xA5", "\xE6\x97\xA5" },
    { "\\.", "." }, { "\\(", "(" }, { "\\|", "|" }, { "\\{", "{" }, { "\\}", "}" }, { "\\[", "[" }, { "\\\\", "\\" },
    { "\\ ", " " }, { "\\<", "<" }, { "\\'", "'" }, { "\\`", "`" }, { "\\-", "-" }, { ".", "x" }, { ".", "\xC3\xA9" },
    { "\\d", "7" }, { "\\d", "\xD9\xA3" }, { "\\w", "q" }, { "\\s", " " }, { "\\h", "e" }, { "\\D", "D" },
    { "\\W", "%" }, { "\\S", "S" } };
const Piece kRareOthers[] = { { "]", "]" }, { "}", "}" }, { "\\x41", "A" }, { "\\u0041", "A" }, { "\\101", "A" },
    { "\\p{Lu}", "Q" }, { "\\t", "\t" }, { "\\X", "x" }, { "\\R", "\r\n" }, { "\\O", "x" }, { "\\N", "x" } };
const Piece kClasses[] = { { "[ab]", "b" }, { "[^a]", "z" }, { "[a-z]", "m" }, { "[A-Z]", "M" }, { "[\\w]", "w" },
    { "[k]", "k" }, { "[\xC5\xBF]", "S" }, { "[\xC3\x9F]", "ss" }, { "[\\d]", "3" }, { "[\\]]", "]" }, { "[-a]", "-" },
    { "[^\\s']", "p" }, { "[\xE2\x84\xAA]", "k" }, { "[Ff]", "F" }, { "[{]", "{" } };
const Piece kRareClasses[] = { { "[]a]", "]" }, { "[[:alpha:]]", "h" }, { "[a-z&&[^k]]", "j" }, { "[\\x41]", "A" },
    { "[\\b]", "\b" }, { "[\\p{Lu}]", "L" }, { "[^]a]", "b" } };
const char* const kAnchors[] = { "^", "$", "\\b", "\\B", "\\A", "\\z", "\\Z", "\\G" };
const char* const kRareAnchors[] = { "\\K", "\\y", "\\Y" };
const char* const kGroupOpenings[] = { "(", "(?:", "(?<n>", "(?i:", "(?=", "(?!" };
const char* const kRareGroupOpenings[] = { "(?-i:", "(?m:", "(?im-x:", "(?<=", "(?<!", "(?>", "(?~", "(?i:(?-i:" };
const char* const kQuantifiers[] = { "?", "*", "+", "??", "*?", "+?", "?+", "*+", "++" };
const char* const kRareQuantifiers[] = { "{", "}", "{,}", "{1,2,3}", "{a}", "{1", "**", "+*", "?{2}" };
const char* const kInlineOptions[] = { "(?i)", "(?i)", "(?i)", "(?-i)", "(?m)", "(?im)", "(?i-m)", "(?x)", "(?mi-i)" };
const char* const kReferences[] = { "\\1", "\\2", "\\k<n>", "\\k<1>", "\\k<-1>", "\\g<1>", "\\g<0>" };

class PatternGenerator {
public:
    // The first choices say which families of rarer constructs the pattern may hold
    // (each one in four patterns) and how many atoms it has at most (short patterns let
    // one construct decide what a filter sees).
    explicit PatternGenerator(Choices& choices) : choices_(choices)
    {
        for (unsigned family = 0; family < FamilyCount; ++family) {
            families_ |= choices.pick(4) == 0 ? 1u << family : 0u;
        }
        budget_ = 2 + choices.pick(12);
    }

    // Alternatives; a sample of each one at the top, of one taken alternative deeper.
    void alternatives(int depth)
    {
        const bool ignoreCase = ignoreCase_; // an inline option holds to the end of its group
        const unsigned count = 1 + choices_.pick(3);
        const unsigned taken = depth == 0 ? count : choices_.pick(count);
        for (unsigned i = 0; i < count; ++i) {
            if (i > 0) {
                pattern_ += '|';
            }
            const int silent = depth > 0 && i != taken ? 1 : 0;
            silent_ += silent;
            const unsigned pieces = rare(EmptyAlternatives) ? 0 : 1 + choices_.pick(3);
            for (unsigned p = 0; p < pieces && budget_ > 0; ++p) {
                quantified(depth);
            }
            silent_ -= silent;
            if (depth == 0) {
                samples_.push_back(std::move(sample_));
                sample_.clear();
            }
        }
        ignoreCase_ = ignoreCase;
    }

    const std::string& pattern() const { return pattern_; }
    const std::vector<std::string>& samples() const { return samples_; }

private:
    void emit(std::string_view text)
    {
        if (silent_ == 0) {
            sample_ += text;
        }
    }

    enum Family : unsigned { EmptyAlternatives, InlineOptions, Intervals, References, RareAtoms, RareGroups, FamilyCount };
    // A construct of the family, when the pattern may hold them: one time in three.
    bool has(Family family) const { return (families_ & (1u << family)) != 0; }
    bool rare(Family family) { return has(family) && choices_.pick(3) == 0; }

    // An atom, perhaps quantified; the sample repeats its text as the quantifier allows.
    void quantified(int depth)
    {
        const size_t from = sample_.size();
        --budget_;
        atom(depth);
        const std::string text = sample_.substr(from);
        const unsigned kind = choices_.pick(4);
        if (kind < 2) {
            return;
        }
        unsigned repeats = choices_.pick(3);
        if (kind == 2 || !rare(Intervals)) {
            pattern_ += choices_.pickFrom(kQuantifiers);
        } else {
            repeats = interval();
        }
        sample_.resize(from);
        for (unsigned r = 0; r < repeats; ++r) {
            emit(text);
        }
    }

    // An interval in one of its forms, or braces that are text; gives a repeat count.
    unsigned interval()
    {
        const unsigned low = choices_.pick(4);
        const unsigned high = choices_.pick(4);
        switch (choices_.pick(7)) {
        case 0:
            pattern_ += "{" + std::to_string(low) + "}";
            return low;
        case 1:
            pattern_ += "{" + std::to_string(low) + ",}";
            return low + choices_.pick(2);
        case 2:
            pattern_ += "{," + std::to_string(high) + "}";
            return choices_.pick(high + 1);
        case 3: // either order: the library swaps bounds given high to low
            pattern_ += "{" + std::to_string(low) + "," + std::to_string(high) + "}";
            return std::min(low, high) + choices_.pick(std::max(low, high) - std::min(low, high) + 1);
        case 4: // "{n}?" is an optional {n}, "{n}+" a repeated one
            pattern_ += "{" + std::to_string(low) + (choices_.pick(2) ? "}?" : "}+");
            return low * choices_.pick(3);
        case 5:
            pattern_ += "{" + std::to_string(low) + "," + std::to_string(high) + "}" + choices_.pickFrom(kQuantifiers);
            return choices_.pick(4);
        default:
            pattern_ += choices_.pickFrom(kRareQuantifiers);
            return choices_.pick(3);
        }
    }

    void atom(int depth)
    {
        const unsigned kind = choices_.pick(depth < 3 && budget_ > 1 ? 11 : 9);
        const bool rare = this->rare(kind == 9 || kind == 10 ? RareGroups : RareAtoms);
        if (kind < 4 || (kind == 7 && !has(InlineOptions)) || (kind == 8 && !has(References))) {
            letter();
        } else if (kind == 4) {
            const Piece& other = rare ? kRareOthers[choices_.pick(std::size(kRareOthers))] : kOthers[choices_.pick(std::size(kOthers))];
            pattern_ += other.pattern;
            emit(other.sample);
        } else if (kind == 5) {
            const Piece& cls = rare ? kRareClasses[choices_.pick(std::size(kRareClasses))] : kClasses[choices_.pick(std::size(kClasses))];
            pattern_ += cls.pattern;
            emit(cls.sample);
        } else if (kind == 6) {
            pattern_ += rare ? choices_.pickFrom(kRareAnchors) : choices_.pickFrom(kAnchors);
        } else if (kind == 7) {
            inlineOption();
        } else if (kind == 8) {
            reference();
        } else {
            group(depth, rare ? choices_.pickFrom(kRareGroupOpenings) : choices_.pickFrom(kGroupOpenings));
        }
    }

    void inlineOption()
    {
        const std::string_view option = choices_.pickFrom(kInlineOptions);
        pattern_ += option;
        if (option.find("-i") != std::string_view::npos) {
            ignoreCase_ = false;
        } else if (option.find('i') != std::string_view::npos) {
            ignoreCase_ = true;
        }
    }

    void letter()
    {
        const bool fold = ignoreCase_ && choices_.pick(3) == 0;
        const Piece& piece = fold ? kFolds[choices_.pick(std::size(kFolds))] : kLetters[choices_.pick(std::size(kLetters))];
        pattern_ += piece.pattern;
        std::string text = piece.sample;
        if (ignoreCase_ && !fold && choices_.pick(2) == 0) {
            for (char& c : text) {
                c = static_cast<char>((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? c ^ 0x20 : c);
            }
        }
        emit(text);
    }

    // Back references and calls: the sample repeats the first group's text.
    void reference()
    {
        pattern_ += choices_.pickFrom(kReferences);
        emit(firstGroup_);
    }

    void group(int depth, std::string_view opening)
    {
        pattern_ += opening;
        const bool lookAround = opening.substr(0, 3) == "(?=" || opening.substr(0, 3) == "(?!"
            || opening.substr(0, 4) == "(?<=" || opening.substr(0, 4) == "(?<!" || opening.substr(0, 3) == "(?~";
        const bool ignoreCase = ignoreCase_;
        if (opening.find("-i") != std::string_view::npos) {
            ignoreCase_ = false;
        } else if (opening.find('i') != std::string_view::npos) {
            ignoreCase_ = true;
        }
        silent_ += lookAround ? 1 : 0;
        const size_t from = sample_.size();
        alternatives(depth + 1);
        if (firstGroup_.empty() && opening == "(") {
            firstGroup_ = sample_.substr(from);
        }
        silent_ -= lookAround ? 1 : 0;
        ignoreCase_ = ignoreCase;
        pattern_ += opening == "(?i:(?-i:" ? "))" : ")";
    }

    Choices& choices_;
    std::string pattern_;
    std::string sample_;
    std::vector<std::string> samples_;
    std::string firstGroup_;
    unsigned families_ = 0;
    unsigned budget_;
    int silent_ = 0;
    bool ignoreCase_ = false;
};

[[noreturn]] void reportMiss(const std::string& pattern, std::string_view message, const char* filter)
{
    std::fprintf(stderr, "property violated: the %s turns away a match of \"%s\" on \"%.*s\"\n", filter,
        pattern.c_str(), static_cast<int>(message.size()), message.data());
    std::abort();
}

// Tries one message on the matcher and, when it matches, on the rule's filters.
void compare(OnigRegex regex, converter::MessageRule& rule, std::string_view message)
{
    const auto* start = reinterpret_cast<const OnigUChar*>(message.data());
    if (onig_match(regex, start, start + message.size(), start, nullptr, ONIG_OPTION_NONE) < 0) {
        return;
    }
    const int firstByte = message.empty() ? converter::MessageRule::kNoByte : static_cast<unsigned char>(message[0]);
    if (!rule.mayBeginWith(firstByte)) {
        reportMiss(rule.pattern(), message, "first-byte index");
    }
    std::wstring output;
    if (rule.apply(message, output) != converter::MessageRule::Outcome::Matched) {
        reportMiss(rule.pattern(), message, "rule");
    }
}

// Whether the rule's filters turn away any message at all.
bool filtersSomething(const converter::MessageRule& rule)
{
    for (int byte = 0; byte <= converter::MessageRule::kNoByte; ++byte) {
        if (!rule.mayBeginWith(byte)) {
            return true;
        }
    }
    return converter::patternRequiredWords(rule.pattern()).has_value();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Choices choices(data, size);
    PatternGenerator generator(choices);
    generator.alternatives(0);
    const std::string& pattern = generator.pattern();
    int groups = 0;
    std::string error;
    if (!converter::checkPattern(pattern, groups, error)) { // also sets up the library as the rules do
        return 0;
    }
    OnigRegex regex = nullptr;
    OnigErrorInfo errorInfo{};
    const auto* begin = reinterpret_cast<const OnigUChar*>(pattern.data());
    FUZZ_REQUIRE(onig_new(&regex, begin, begin + pattern.size(), ONIG_OPTION_SINGLELINE | ONIG_OPTION_CAPTURE_GROUP,
                     ONIG_ENCODING_UTF8, ONIG_SYNTAX_DEFAULT, &errorInfo)
        == ONIG_NORMAL);
    converter::MessageRule rule(pattern, "x", converter::MessageType::Info);
    if (!filtersSomething(rule)) {
        onig_free(regex);
        return -1; // the filters let every message through: nothing to find, not kept
    }
    compare(regex, rule, "");
    std::string message;
    for (const std::string& sample : generator.samples()) {
        message = sample;
        compare(regex, rule, message);
        if (!message.empty() && ((message[0] | 0x20) >= 'a' && (message[0] | 0x20) <= 'z')) {
            message[0] = static_cast<char>(message[0] ^ 0x20);
            compare(regex, rule, message);
        }
    }
    // Messages of pieces the patterns are made of.
    for (int round = 0; round < 3; ++round) {
        message.clear();
        for (unsigned count = 1 + choices.pick(4); count > 0; --count) {
            const unsigned from = choices.pick(3);
            message += from == 0 ? kLetters[choices.pick(std::size(kLetters))].sample
                : from == 1      ? kFolds[choices.pick(std::size(kFolds))].sample
                                 : kOthers[choices.pick(std::size(kOthers))].sample;
        }
        compare(regex, rule, message);
    }
    onig_free(regex);
    return 0;
}
