#include "options/ArgumentQuoting.h"

namespace options {

namespace {

// Blanks and quotes split or join arguments; line breaks and other control characters
// become blanks on the way (the additional parameters turn line breaks into spaces).
bool needsQuotes(std::wstring_view text)
{
    if (text.empty()) {
        return true;
    }
    for (const wchar_t c : text) {
        if (c <= L' ' || c == L'"' || c == 0x7F) {
            return true;
        }
    }
    return false;
}

} // namespace

std::wstring quotedArgument(std::wstring_view argument)
{
    std::wstring text;
    text.reserve(argument.size() + 2);
    text.push_back(L'"');
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            // Every backslash before a literal quote doubles, plus one for the quote.
            text.append(backslashes + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        text.push_back(c);
    }
    // The closing quote must not be escaped by a trailing backslash.
    text.append(backslashes, L'\\');
    text.push_back(L'"');
    return text;
}

std::wstring argumentText(std::wstring_view argument)
{
    if (!needsQuotes(argument)) {
        return std::wstring(argument);
    }
    const size_t equals = argument.find(L'=');
    if (!argument.empty() && argument.front() == L'-' && equals != std::wstring_view::npos
        && !needsQuotes(argument.substr(0, equals + 1))) {
        return std::wstring(argument.substr(0, equals + 1)) + quotedArgument(argument.substr(equals + 1));
    }
    return quotedArgument(argument);
}

std::wstring unquotedArgument(std::wstring_view text)
{
    std::wstring argument;
    argument.reserve(text.size());
    size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            argument.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                argument.push_back(L'"');
            }
            // An even count: the quote only opens or closes a quoted part.
        } else {
            argument.append(backslashes, L'\\');
            argument.push_back(c);
        }
        backslashes = 0;
    }
    argument.append(backslashes, L'\\');
    return argument;
}

std::wstring withoutSurroundingQuotes(std::wstring_view path)
{
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
        return std::wstring(path.substr(1, path.size() - 2));
    }
    return std::wstring(path);
}

} // namespace options
