// The words a rule's pattern requires, read from the groups the pattern reader hands over.
#include "converter/PatternFirstBytes.h"

namespace converter {

namespace {

bool isAsciiLetterOrDigit(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isOneOf(unsigned char c, std::string_view set)
{
    return c != 0 && c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The content of a "(...)", "(?:...)" or "(?i:...)" group (the last turning ignoreCase
// on); nothing for other groups.
std::optional<std::string_view> groupBody(std::string_view group, bool& ignoreCase)
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
    return body;
}

// "(...)", "(?:...)" or "(?i:...)" holding only plain words separated by "|".
std::optional<RequiredWords> literalAlternatives(std::string_view group, bool ignoreCase)
{
    const std::optional<std::string_view> inside = groupBody(group, ignoreCase);
    if (!inside) {
        return std::nullopt;
    }
    const std::string_view body = *inside;
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
        if (c == '\\' && i + 1 < body.size()) {
            const auto e = static_cast<unsigned char>(body[i + 1]);
            if (isAsciiLetterOrDigit(e) || e >= 0x80) {
                return std::nullopt;
            }
            word.push_back(static_cast<char>(e));
            ++i;
        } else if (isAsciiLetterOrDigit(c) || isOneOf(c, " -_:,'")) {
            word.push_back(static_cast<char>(c));
        } else {
            return std::nullopt; // anything with a meaning of its own, or beyond ASCII
        }
    }
    return required;
}

} // namespace

// The words a group that every match passes through requires: the group itself when
// it holds only plain words, otherwise the first such group that every path through
// its content passes (unquantified, with no "|" beside it), looked for in "(...)",
// "(?:...)" and "(?i:...)" groups only. "(.*(?i:word|other).*)" requires a word.
std::optional<RequiredWords> requiredWordsOfGroup(std::string_view group, bool ignoreCase)
{
    if (auto words = literalAlternatives(group, ignoreCase)) {
        return words;
    }
    const std::optional<std::string_view> inside = groupBody(group, ignoreCase);
    if (!inside) {
        return std::nullopt;
    }
    const std::string_view body = *inside;
    std::optional<RequiredWords> found;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            // The reader has accepted the class: no nesting, a "]" only at its end.
            for (++i; i < body.size() && body[i] != ']'; ++i) {
                i += body[i] == '\\' ? 1 : 0;
            }
        } else if (c == '|' && depth == 0) {
            return std::nullopt; // another alternative may require nothing
        } else if (c == '(') {
            start = depth++ == 0 ? i : start;
        } else if (c == ')' && --depth == 0 && !found) {
            const bool quantified = i + 1 < body.size() && isOneOf(static_cast<unsigned char>(body[i + 1]), "?*+{");
            if (!quantified) {
                found = requiredWordsOfGroup(body.substr(start, i - start + 1), ignoreCase);
            }
        }
    }
    return found;
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
