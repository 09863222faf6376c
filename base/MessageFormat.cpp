#include "base/MessageFormat.h"

#include <cstdint>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "base/Text.h"

namespace base {

namespace {

// One printf-style conversion of an insert, parsed from the text between the
// exclamation marks in the same way the platform's formatter reads it.
struct Conversion {
    std::wstring flags;
    long long width = -1; // -1: none
    long long precision = -1;
    int size = 32; // bits of an integer conversion: 8, 16, 32 or 64
    bool narrow = false; // a narrow (ANSI) string or character
    wchar_t kind = L's';
    std::wstring tail; // text after the conversion character, which printf copies as it is
};

constexpr long long kMaxFieldWidth = 10000; // wider fields are not padded further

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The machine word the platform's formatter would read for an insert.
std::uint64_t wordOf(const MessageArg* arg)
{
    if (arg == nullptr) {
        return 0;
    }
    if (const auto* s = std::get_if<std::int32_t>(arg)) {
        return static_cast<std::uint32_t>(*s);
    }
    if (const auto* u = std::get_if<std::uint32_t>(arg)) {
        return *u;
    }
    return 0;
}

std::wstring pad(std::wstring body, const Conversion& c, bool numeric)
{
    const long long width = c.width > kMaxFieldWidth ? kMaxFieldWidth : c.width;
    const bool left = c.flags.find(L'-') != std::wstring::npos;
    if (width > 0 && body.size() < static_cast<size_t>(width)) {
        const size_t fill = static_cast<size_t>(width) - body.size();
        // The platform pads with zeros also when a precision is given.
        const bool zero = !left && numeric && c.flags.find(L'0') != std::wstring::npos;
        if (left) {
            body.append(fill, L' ');
        } else if (zero) {
            size_t prefixEnd = (!body.empty() && (body[0] == L'-' || body[0] == L'+' || body[0] == L' ')) ? 1 : 0;
            if (body.size() > prefixEnd + 1 && body[prefixEnd] == L'0' && (body[prefixEnd + 1] == L'x' || body[prefixEnd + 1] == L'X')) {
                prefixEnd += 2;
            }
            body.insert(prefixEnd, fill, L'0');
        } else {
            body.insert(0, fill, L' ');
        }
    }
    return body;
}

std::wstring formatNumber(std::uint64_t magnitude, bool negative, const Conversion& c)
{
    unsigned base = 10;
    const wchar_t* alphabet = L"0123456789abcdef";
    if (c.kind == L'x') {
        base = 16;
    } else if (c.kind == L'X') {
        base = 16;
        alphabet = L"0123456789ABCDEF";
    } else if (c.kind == L'o') {
        base = 8;
    }
    std::wstring digits;
    // As in printf, a zero precision prints no digits for the value zero.
    if (!(magnitude == 0 && c.precision == 0)) {
        do {
            digits.insert(digits.begin(), alphabet[magnitude % base]);
            magnitude /= base;
        } while (magnitude != 0);
    }
    const long long precision = c.precision > kMaxFieldWidth ? kMaxFieldWidth : c.precision;
    if (precision >= 0 && digits.size() < static_cast<size_t>(precision)) {
        digits.insert(0, static_cast<size_t>(precision) - digits.size(), L'0');
    }
    std::wstring prefix;
    if (negative) {
        prefix = L"-";
    } else if (c.kind == L'd' || c.kind == L'i') {
        if (c.flags.find(L'+') != std::wstring::npos) {
            prefix = L"+";
        } else if (c.flags.find(L' ') != std::wstring::npos) {
            prefix = L" ";
        }
    }
    if (c.flags.find(L'#') != std::wstring::npos && !digits.empty()) {
        if (base == 16 && !(digits.size() == 1 && digits[0] == L'0')) {
            prefix += (c.kind == L'X') ? L"0X" : L"0x";
        } else if (base == 8 && digits[0] != L'0') {
            prefix += L"0";
        }
    }
    return pad(prefix + digits, c, true);
}

// A narrow string conversion of a text insert: the platform would read the text's
// UTF-16 bytes as an ANSI string, up to the first zero byte.
std::wstring narrowReading(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t ch : text) {
        const char low = static_cast<char>(ch & 0xFF);
        const char high = static_cast<char>((ch >> 8) & 0xFF);
        if (low == 0) {
            break;
        }
        bytes.push_back(low);
        if (high == 0) {
            break;
        }
        bytes.push_back(high);
    }
    return fromCodePage(ansiCodePage(), bytes);
}

std::wstring textOf(const MessageArg& arg)
{
    if (const auto* text = std::get_if<std::wstring>(&arg)) {
        return *text;
    }
    if (const auto* s = std::get_if<std::int32_t>(&arg)) {
        return std::to_wstring(*s);
    }
    return std::to_wstring(std::get<std::uint32_t>(arg));
}

std::wstring convertArg(const MessageArg& arg, const Conversion& c)
{
    switch (c.kind) {
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
    case L'o': {
        if (std::holds_alternative<std::wstring>(arg)) {
            // A text where a number is expected: show the text rather than an address.
            Conversion asText = c;
            asText.precision = -1;
            return pad(std::get<std::wstring>(arg), asText, false);
        }
        std::uint64_t word = wordOf(&arg);
        if (c.size == 8) {
            word &= 0xFF;
        } else if (c.size == 16) {
            word &= 0xFFFF;
        } else if (c.size == 32) {
            word &= 0xFFFFFFFF;
        }
        if (c.kind == L'd' || c.kind == L'i') {
            long long value = 0;
            if (c.size == 8) {
                value = static_cast<std::int8_t>(word);
            } else if (c.size == 16) {
                value = static_cast<std::int16_t>(word);
            } else if (c.size == 32) {
                value = static_cast<std::int32_t>(word);
            } else {
                value = static_cast<long long>(word);
            }
            const bool negative = value < 0;
            const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value)
                                                     : static_cast<std::uint64_t>(value);
            return formatNumber(magnitude, negative, c);
        }
        return formatNumber(word, false, c);
    }
    case L'c':
    case L'C': {
        std::wstring body;
        if (const auto* text = std::get_if<std::wstring>(&arg)) {
            body = text->substr(0, 1);
        } else if (c.narrow) {
            const char ch = static_cast<char>(wordOf(&arg) & 0xFF);
            const std::wstring wide = fromCodePage(ansiCodePage(), std::string_view(&ch, 1));
            body.assign(1, wide.empty() ? L'\0' : wide.front());
        } else {
            body.assign(1, static_cast<wchar_t>(wordOf(&arg) & 0xFFFF));
        }
        return pad(body, c, false);
    }
    case L's':
    case L'S': {
        std::wstring body = textOf(arg);
        if (c.narrow && std::holds_alternative<std::wstring>(arg)) {
            body = narrowReading(body);
        }
        if (c.precision >= 0 && body.size() > static_cast<size_t>(c.precision)) {
            body.resize(static_cast<size_t>(c.precision));
        }
        return pad(body, c, false);
    }
    default:
        // A conversion this formatter does not know: the insert's text, unformatted.
        return textOf(arg);
    }
}

// Parses "flags width .precision size type" of the text between the exclamation marks.
// Width and precision given as "*" take the next insert, after which the value itself
// is the insert after the highest one used so far, as in the platform's formatter.
Conversion parseConversion(std::wstring_view spec, int& insert, const std::function<const MessageArg*(int)>& take)
{
    Conversion c;
    std::wstring widthDigits;
    size_t p = 0;
    while (p < spec.size() && std::wcschr(L"0+- *#", spec[p]) != nullptr) {
        if (spec[p] == L'*') {
            widthDigits += std::to_wstring(wordOf(take(insert)));
            insert = -1;
        } else {
            c.flags.push_back(spec[p]);
        }
        ++p;
    }
    while (p < spec.size() && isDigit(spec[p])) {
        widthDigits.push_back(spec[p++]);
    }
    // Leading zeros of the width are the zero flag, as printf reads them.
    size_t firstNonZero = 0;
    while (firstNonZero < widthDigits.size() && widthDigits[firstNonZero] == L'0') {
        c.flags.push_back(L'0');
        ++firstNonZero;
    }
    if (firstNonZero < widthDigits.size()) {
        const std::wstring digits = widthDigits.substr(firstNonZero);
        c.width = digits.size() > 6 ? kMaxFieldWidth + 1 : std::stoll(digits);
    }
    if (p < spec.size() && spec[p] == L'.') {
        ++p;
        std::wstring precisionDigits;
        if (p < spec.size() && spec[p] == L'*') {
            precisionDigits = std::to_wstring(wordOf(take(insert)));
            insert = -1;
            ++p;
        } else {
            while (p < spec.size() && isDigit(spec[p])) {
                precisionDigits.push_back(spec[p++]);
            }
        }
        c.precision = precisionDigits.empty() ? 0
            : precisionDigits.size() > 6   ? kMaxFieldWidth + 1
                                           : std::stoll(precisionDigits);
    }
    const std::wstring_view rest = spec.substr(p);
    auto startsWith = [&](std::wstring_view prefix) { return rest.substr(0, prefix.size()) == prefix; };
    // The string and character forms: the platform's formatter rewrites them to one
    // conversion and drops whatever follows up to the closing "!".
    if (startsWith(L"hs") || startsWith(L"hS") || startsWith(L"S")) {
        c.kind = L's';
        c.narrow = true;
        return c;
    }
    if (startsWith(L"hc") || startsWith(L"hC") || startsWith(L"C")) {
        c.kind = L'c';
        c.narrow = true;
        return c;
    }
    if (startsWith(L"ls") || startsWith(L"lS") || startsWith(L"ws")) {
        c.kind = L's';
        return c;
    }
    if (startsWith(L"lc") || startsWith(L"lC") || startsWith(L"wc")) {
        c.kind = L'c';
        return c;
    }
    size_t q = 0;
    while (q < rest.size()) {
        if (rest.substr(q, 3) == L"I64") {
            c.size = 64;
            q += 3;
        } else if (rest.substr(q, 3) == L"I32") {
            c.size = 32;
            q += 3;
        } else if (rest.substr(q, 2) == L"ll") {
            c.size = 64;
            q += 2;
        } else if (rest.substr(q, 2) == L"hh") {
            c.size = 8;
            q += 2;
        } else if (rest[q] == L'h') {
            c.size = 16;
            ++q;
        } else if (rest[q] == L'I' || rest[q] == L'j' || rest[q] == L'z' || rest[q] == L't') {
            c.size = 64;
            ++q;
        } else if (rest[q] == L'l' || rest[q] == L'w' || rest[q] == L'L') {
            ++q;
        } else {
            break;
        }
    }
    c.kind = q < rest.size() ? rest[q] : L'\0';
    if (q < rest.size()) {
        // Literal text after the conversion; "%%" in it is one "%", as printf reads it.
        // Another directive in it would read a value that was never given: the text
        // stops there.
        for (size_t t = q + 1; t < rest.size(); ++t) {
            if (rest[t] == L'%') {
                if (t + 1 < rest.size() && rest[t + 1] == L'%') {
                    c.tail.push_back(L'%');
                    ++t;
                    continue;
                }
                break;
            }
            c.tail.push_back(rest[t]);
        }
    }
    return c;
}

} // namespace

std::wstring formatMessageText(std::wstring_view text, std::span<const MessageArg> args)
{
    std::wstring out;
    out.reserve(text.size() < kMaxFormattedCharacters ? text.size() : kMaxFormattedCharacters);
    // The highest insert number used so far; "*" conversions count from it.
    int last = 0;
    const std::function<const MessageArg*(int)> take = [&](int number) -> const MessageArg* {
        if (number == -1) {
            number = last + 1;
        }
        if (number > last) {
            last = number;
        }
        return (number >= 1 && static_cast<size_t>(number) <= args.size()) ? &args[static_cast<size_t>(number) - 1]
                                                                           : nullptr;
    };
    size_t i = 0;
    while (i < text.size()) {
        if (out.size() > kMaxFormattedCharacters) {
            // Width inserts repeated over a long group would need gigabytes: the text is
            // cut, visibly.
            out.resize(kMaxFormattedCharacters);
            out.push_back(kCutMark);
            return out;
        }
        const wchar_t ch = text[i++];
        if (ch == L'\0') {
            break; // the platform reads the template up to its terminating zero
        }
        if (ch == L'\r') {
            if (i < text.size() && text[i] == L'\n') {
                ++i;
            }
            out += L"\r\n"; // every line break of the template becomes CR LF
            continue;
        }
        if (ch == L'\n') {
            out += L"\r\n";
            continue;
        }
        if (ch != L'%') {
            out.push_back(ch);
            continue;
        }
        if (i >= text.size() || text[i] == L'\0') {
            return std::wstring(); // a "%" at the end: the platform's formatter fails
        }
        const wchar_t next = text[i];
        if (next >= L'1' && next <= L'9') {
            int insert = next - L'0';
            ++i;
            if (i < text.size() && isDigit(text[i])) {
                insert = insert * 10 + (text[i] - L'0');
                ++i;
            }
            if (i < text.size() && text[i] == L'!') {
                const size_t close = text.find(L'!', i + 1);
                if (close == std::wstring_view::npos) {
                    return std::wstring(); // an unterminated conversion: the formatter fails
                }
                const std::wstring_view spec = text.substr(i + 1, close - i - 1);
                i = close + 1;
                const Conversion conversion = parseConversion(spec, insert, take);
                const MessageArg* arg = take(insert);
                if (conversion.kind == L'%') {
                    out.push_back(L'%'); // "%%" of printf: no insert shown
                } else if (arg != nullptr) {
                    out += convertArg(*arg, conversion);
                }
                out += conversion.tail;
            } else if (const MessageArg* arg = take(insert)) {
                out += textOf(*arg);
            }
            continue;
        }
        ++i;
        switch (next) {
        case L'0':
            return out;
        case L'n':
            out += L"\r\n";
            break;
        case L'r':
            out.push_back(L'\r');
            break;
        case L't':
            out.push_back(L'\t');
            break;
        default:
            out.push_back(next);
            break;
        }
    }
    if (out.size() > kMaxFormattedCharacters) {
        out.resize(kMaxFormattedCharacters);
        out.push_back(kCutMark);
    }
    return out;
}

std::wstring shortenText(std::wstring_view text, size_t maxCharacters)
{
    if (text.size() <= maxCharacters) {
        return std::wstring(text);
    }
    size_t length = maxCharacters;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        --length; // never half a surrogate pair
    }
    std::wstring result(text.substr(0, length));
    result.push_back(kCutMark);
    return result;
}

} // namespace base
