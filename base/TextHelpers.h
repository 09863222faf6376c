// Small text helpers shared by every layer. Plain C++ (no platform header), so the
// parsers that use them build anywhere.
#pragma once

#include <climits>
#include <cstdint>
#include <cwctype>
#include <string>
#include <string_view>

namespace base {

// The text without leading and trailing characters for which isBlank is true.
template <class Char, class Predicate>
std::basic_string_view<Char> trimmed(std::basic_string_view<Char> text, Predicate isBlank)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Carriage return, line feed, tab and space: the blanks around a line or a message.
template <class Char>
constexpr bool isLineBlank(Char c)
{
    return c == Char('\r') || c == Char('\n') || c == Char('\t') || c == Char(' ');
}

// Skips leading white space, reads an optional sign and the decimal digits up to the
// first other character; 0 without digits. Values beyond 32 bits saturate at the
// nearest 32-bit limit.
inline std::int32_t saturatingInt32(std::wstring_view text)
{
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<std::wint_t>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // Accumulate the magnitude; stop growing once it passes every 32-bit value.
    constexpr std::int64_t limit = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (text[i] - L'0');
        }
    }
    if (negative) {
        return magnitude >= limit ? INT32_MIN : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= limit ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

// Appends wide text as UTF-8, a lone surrogate (or a value beyond Unicode) as U+FFFD,
// as the platform's conversion does; cheaper than two conversion calls for every line.
inline void appendUtf8(std::string& out, std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace base
