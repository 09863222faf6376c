#include "tools/langmap-check/RuleLint.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "converter/MessageRuleSet.h"
#include "base/MessageFormat.h"
#include "base/Text.h"

namespace langmap {

namespace {

struct Text {
    std::string value;
    size_t line = 0;
};

struct Rule {
    size_t line = 0; // of its expression line; 0 for lines before the first one
    std::string pattern;
    std::vector<Text> types;
    std::map<std::string, Text> texts; // by key: "default=", "ja=", ...
};

bool isTrim(char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isTrim(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isTrim(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// A language key at the start of a line: letters, then optional "-" parts, then "=".
size_t languageKeyLength(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && ((line[i] >= 'a' && line[i] <= 'z') || (line[i] >= 'A' && line[i] <= 'Z'))) {
        ++i;
    }
    if (i < 2 || i > 3) {
        return 0;
    }
    while (i < line.size() && line[i] == '-') {
        size_t j = i + 1;
        while (j < line.size() && std::isalnum(static_cast<unsigned char>(line[j]))) {
            ++j;
        }
        if (j == i + 1) {
            return 0;
        }
        i = j;
    }
    return i < line.size() && line[i] == '=' ? i + 1 : 0;
}

std::string quoted(std::string_view s)
{
    std::string out(1, '"');
    out.append(s.substr(0, 60));
    out.append(s.size() > 60 ? "...\"" : "\"");
    return out;
}

// The inserts of a template, as the formatter reads them.
std::vector<int> insertsOf(std::string_view t)
{
    std::vector<int> numbers;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] != '%') {
            continue;
        }
        const char next = t[i + 1];
        if (next >= '1' && next <= '9') {
            int number = next - '0';
            if (i + 2 < t.size() && t[i + 2] >= '0' && t[i + 2] <= '9') {
                number = number * 10 + (t[i + 2] - '0');
            }
            numbers.push_back(number);
        }
        ++i; // the character after "%" is taken
    }
    return numbers;
}

struct Linter {
    const std::string& languageKey;
    std::vector<Finding> findings;
    std::vector<Rule> rules;

    void add(Finding::Level level, size_t line, std::string text)
    {
        findings.push_back(Finding{level, line, std::move(text)});
    }

    void parse(std::string_view bytes)
    {
        Rule current;
        bool anyLine = false;
        size_t lineNumber = 1;
        size_t position = 0;
        while (position <= bytes.size()) {
            const size_t brk = bytes.find_first_of(std::string_view("\r\n", 2), position);
            const size_t end = brk == std::string_view::npos ? bytes.size() : brk;
            std::string raw(bytes.substr(position, end - position));
            if (raw.find('\0') != std::string::npos) {
                add(Finding::Level::Warning, lineNumber, "NUL bytes in the line (they are left out)");
                std::erase(raw, '\0');
            }
            placeLine(current, anyLine, trim(raw), lineNumber);
            if (brk == std::string_view::npos) {
                break;
            }
            position = brk + 1;
            if (bytes[brk] == '\r' && position < bytes.size() && bytes[position] == '\n') {
                ++position; // CR LF: one line in an editor (the empty line between is harmless)
            }
            ++lineNumber;
        }
        if (anyLine) {
            rules.push_back(std::move(current));
        }
    }

    void placeLine(Rule& current, bool& anyLine, std::string_view line, size_t number)
    {
        if (line.empty()) {
            return;
        }
        static const std::string_view keywords[] = {"expression=", "type=", "default="};
        std::string key;
        size_t at = std::string_view::npos;
        for (const std::string_view keyword : keywords) {
            at = line.find(keyword);
            if (at != std::string_view::npos) {
                key = keyword;
                break;
            }
        }
        if (key.empty() && !languageKey.empty() && (at = line.find(languageKey)) != std::string_view::npos) {
            key = languageKey;
        }
        if (key.empty()) {
            const size_t tag = languageKeyLength(line);
            if (tag != 0) {
                key.assign(line.substr(0, tag)); // a text for another language
                at = 0;
            }
        }
        if (key.empty()) {
            if (line.front() != '#') {
                add(Finding::Level::Error, number, "cannot place this line (no expression=, type=, default= or "
                    "language key, and not a comment): " + quoted(line));
            }
            return;
        }
        if (at != 0) {
            add(line.front() == '#' ? Finding::Level::Error : Finding::Level::Warning, number,
                "\"" + key + "\" inside the line is read as a rule line: " + quoted(line));
        }
        const std::string value(line.substr(at + key.size()));
        if (key == "expression=") {
            if (anyLine) {
                rules.push_back(std::move(current));
            }
            current = Rule{};
            current.line = number;
            current.pattern = value;
            anyLine = true;
            return;
        }
        anyLine = true;
        if (current.line == 0) {
            add(Finding::Level::Error, number, "a rule line before the first expression= line: it makes a rule "
                "with an empty pattern, which matches every message");
        }
        if (key == "type=") {
            current.types.push_back(Text{value, number});
            return;
        }
        auto found = current.texts.find(key);
        if (found != current.texts.end()) {
            add(Finding::Level::Warning, number, "a second " + key + " line in the rule of line "
                + std::to_string(current.line) + (key == "default=" ? " (the first one is used)" : " (this one is used)"));
            if (key == "default=") {
                return;
            }
        }
        current.texts[key] = Text{value, number};
    }

    void check()
    {
        std::set<std::string> languages;
        for (const Rule& rule : rules) {
            for (const auto& [key, text] : rule.texts) {
                if (key != "default=") {
                    languages.insert(key);
                }
            }
        }
        for (const Rule& rule : rules) {
            checkRule(rule, languages);
        }
    }

    void checkRule(const Rule& rule, const std::set<std::string>& languages)
    {
        const size_t line = rule.line;
        int groups = 0;
        std::string error;
        const bool compiles = converter::checkPattern(rule.pattern, groups, error);
        if (!compiles) {
            add(Finding::Level::Error, line, "the pattern does not compile: " + error);
        }
        if (rule.pattern.empty() && line != 0) {
            add(Finding::Level::Warning, line, "an empty pattern matches every message");
        }
        bool validType = false;
        bool ignore = false;
        for (const Text& type : rule.types) {
            if (type.value == "info" || type.value == "warn" || type.value == "error" || type.value == "ignore") {
                validType = true;
                ignore = ignore || type.value == "ignore";
            } else {
                add(validType ? Finding::Level::Warning : Finding::Level::Error, type.line,
                    "unknown type " + quoted(type.value) + " (info, warn, error or ignore)"
                    + (validType ? "" : ": the rule is skipped unless a later type line is valid"));
            }
        }
        if (rule.types.size() > 1) {
            add(Finding::Level::Warning, line, "more than one type= line (the last valid one is used)");
        }
        if (rule.types.empty() && !rule.texts.empty()) {
            add(Finding::Level::Error, line, "no type= line: the rule decides messages without a type, which hides them");
        }
        if (!validType && rule.types.size() > 0 && line != 0) {
            add(Finding::Level::Error, line, "no valid type= line: the rule is skipped");
        }
        for (const auto& [key, text] : rule.texts) {
            if (compiles) {
                for (const int insert : insertsOf(text.value)) {
                    if (insert > groups) {
                        add(Finding::Level::Error, text.line, "the text inserts %" + std::to_string(insert)
                            + " but the pattern has " + std::to_string(groups) + " group" + (groups == 1 ? "" : "s"));
                    }
                }
            }
            if (!text.value.empty()) {
                const std::vector<base::MessageArg> args(99, base::MessageArg(std::wstring(L"x")));
                if (base::formatMessageText(base::fromUtf8(text.value), args).empty()) {
                    add(Finding::Level::Error, text.line, "the text comes out empty (a \"%\" at its end, a \"%0\" "
                        "at its start or a conversion without its closing \"!\"): the rule never decides");
                }
            } else if (!ignore) {
                add(Finding::Level::Warning, text.line, "an empty " + key + " text: the rule does not decide for it");
            }
        }
        if (!ignore && line != 0) {
            if (rule.texts.empty()) {
                add(Finding::Level::Error, line, "no text: the rule never decides");
            } else if (rule.texts.count("default=") == 0 && !languageKey.empty()
                && rule.texts.count(languageKey) == 0) {
                add(Finding::Level::Warning, line, "no " + languageKey + " and no default= text: for that "
                    "language the rule does not exist");
            } else if (rule.texts.count("default=") == 0) {
                for (const std::string& language : languages) {
                    if (rule.texts.count(language) == 0) {
                        add(Finding::Level::Warning, line, "no " + language + " and no default= text: for that "
                            "language the rule does not exist");
                    }
                }
            } else {
                for (const std::string& language : languages) {
                    if (rule.texts.count(language) == 0) {
                        add(Finding::Level::Warning, line, "no " + language
                            + " text while other rules have one: the default= text is shown");
                    }
                }
            }
        }
    }

    // A rule is unreachable when every sample message it matches is decided by an
    // earlier rule. Only rules with samples (simple patterns) are judged.
    void checkReachability(std::string_view bytes)
    {
        converter::MessageRuleSet set(languageKey);
        set.loadRulesFromText(bytes);
        std::wstring output;
        size_t cursor = 0;
        for (size_t r = 0; r < set.ruleCount(); ++r) {
            converter::MessageRule later = set.rule(r);
            const size_t line = lineOfPattern(later.pattern(), cursor);
            std::vector<std::string> samples;
            for (const std::string& sample : sampleMessages(later.pattern())) {
                for (const std::string& variant : {sample, sample + " 1", sample + " x", sample + "."}) {
                    if (later.apply(variant, output) == converter::MessageRule::Outcome::Matched) {
                        samples.push_back(variant);
                    }
                }
            }
            if (samples.empty()) {
                continue;
            }
            size_t shadowedBy = 0;
            bool allShadowed = true;
            for (const std::string& sample : samples) {
                bool decided = false;
                for (size_t e = 0; e < r && !decided; ++e) {
                    converter::MessageRule earlier = set.rule(e);
                    if (earlier.apply(sample, output) != converter::MessageRule::Outcome::Matched) {
                        continue;
                    }
                    if (!output.empty()
                        || (earlier.type() == converter::MessageType::Ignore && earlier.templateText().empty())) {
                        decided = true;
                        shadowedBy = e;
                    }
                }
                if (!decided) {
                    allShadowed = false;
                    break;
                }
            }
            if (allShadowed) {
                add(Finding::Level::Warning, line, "unreachable: an earlier rule (" + quoted(set.rule(shadowedBy).pattern())
                    + ") decides every sample message, such as " + quoted(samples.front()));
            }
        }
    }

    // The line of a rule the product keeps: the next parsed rule with its pattern.
    size_t lineOfPattern(const std::string& pattern, size_t& cursor) const
    {
        for (size_t k = cursor; k < rules.size(); ++k) {
            if (rules[k].line != 0 && rules[k].pattern == pattern) {
                cursor = k + 1;
                return rules[k].line;
            }
        }
        return 0;
    }
};

constexpr size_t kMaxSampleBytes = 1024;

// Appends one sample of a pattern piece; false when the piece is beyond the generator.
bool sampleOf(std::string_view p, size_t& i, std::string& out, bool untilClose);

bool sampleAtom(std::string_view p, size_t& i, std::string& atom)
{
    const char c = p[i];
    if (c == '\\') {
        if (i + 1 >= p.size()) {
            return false;
        }
        const char e = p[i + 1];
        i += 2;
        switch (e) {
        case 'd': atom = "1"; return true;
        case 'w': atom = "a"; return true;
        case 's': atom = " "; return true;
        case 'S': case 'D': atom = "x"; return true;
        case 'W': atom = "-"; return true;
        case 'b': case 'B': case 'A': case 'z': case 'Z': atom.clear(); return true;
        default:
            if (std::isalnum(static_cast<unsigned char>(e))) {
                return false;
            }
            atom = std::string(1, e);
            return true;
        }
    }
    if (c == '.') {
        ++i;
        atom = "x";
        return true;
    }
    if (c == '^' || c == '$') {
        ++i;
        atom.clear();
        return true;
    }
    if (c == '[') {
        const size_t close = p.find(']', i + 2);
        if (close == std::string_view::npos || p[i + 1] == '^' || p[i + 1] == '\\' || p[i + 1] == '[') {
            return false;
        }
        atom = std::string(1, p[i + 1]);
        i = close + 1;
        return true;
    }
    if (c == '(') {
        size_t j = i + 1;
        if (j < p.size() && p[j] == '?') {
            if (p.substr(j, 2) == "?:") {
                j += 2;
            } else if (p.substr(j, 3) == "?i:") {
                j += 3;
            } else {
                return false;
            }
        }
        std::string inner;
        if (!sampleOf(p, j, inner, true)) {
            return false;
        }
        i = j;
        atom = inner;
        return true;
    }
    if (c == ')' || c == '|' || c == '*' || c == '+' || c == '?' || c == '{') {
        return false;
    }
    // One UTF-8 character.
    size_t length = 1;
    while (i + length < p.size() && (static_cast<unsigned char>(p[i + length]) & 0xC0) == 0x80) {
        ++length;
    }
    atom.assign(p.substr(i, length));
    i += length;
    return true;
}

bool sampleOf(std::string_view p, size_t& i, std::string& out, bool untilClose)
{
    while (i < p.size()) {
        if (p[i] == ')') {
            if (!untilClose) {
                return false;
            }
            ++i;
            return true;
        }
        if (p[i] == '|') {
            // Only the first alternative is sampled; skip the rest of the group.
            int depth = 0;
            for (; i < p.size(); ++i) {
                if (p[i] == '\\') {
                    ++i;
                } else if (p[i] == '(') {
                    ++depth;
                } else if (p[i] == ')') {
                    if (depth == 0) {
                        break;
                    }
                    --depth;
                }
            }
            continue;
        }
        std::string atom;
        if (!sampleAtom(p, i, atom)) {
            return false;
        }
        size_t times = 1;
        if (i < p.size() && (p[i] == '?' || p[i] == '*')) {
            times = 0;
            ++i;
        } else if (i < p.size() && p[i] == '+') {
            ++i;
        } else if (i < p.size() && p[i] == '{') {
            const size_t close = p.find('}', i);
            if (close == std::string_view::npos) {
                return false;
            }
            const std::string_view counts = p.substr(i + 1, close - i - 1);
            times = 0;
            for (const char d : counts) {
                if (d < '0' || d > '9') {
                    break;
                }
                times = std::min<size_t>(times * 10 + static_cast<size_t>(d - '0'), 100);
            }
            i = close + 1;
        }
        if (i < p.size() && (p[i] == '?' || p[i] == '+')) {
            ++i; // lazy or possessive
        }
        for (size_t k = 0; k < times; ++k) {
            out += atom;
        }
        if (out.size() > kMaxSampleBytes) {
            return false; // nested counts: a sample this long tells nothing more
        }
    }
    return !untilClose;
}

} // namespace

std::vector<std::string> sampleMessages(std::string_view pattern)
{
    std::string sample;
    size_t i = 0;
    if (pattern.empty() || !sampleOf(pattern, i, sample, false) || sample.empty()) {
        return {};
    }
    return {sample};
}

std::vector<Finding> lintRules(std::string_view bytes, const std::string& languageKey)
{
    Linter linter{languageKey, {}, {}};
    linter.parse(bytes);
    linter.check();
    linter.checkReachability(bytes);
    std::stable_sort(linter.findings.begin(), linter.findings.end(),
        [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return linter.findings;
}

} // namespace langmap
