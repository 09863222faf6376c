#include "win/Strings.h"

#include <cwchar>
#include <vector>

namespace win {

std::wstring loadString(UINT id, HINSTANCE module)
{
    if (module == nullptr) {
        module = GetModuleHandleW(nullptr);
    }
    const wchar_t* resource = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    const int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&resource), 0);
    if (length <= 0 || resource == nullptr) {
        return std::wstring();
    }
    return std::wstring(resource, static_cast<size_t>(length));
}

namespace {

struct Conversion {
    std::wstring flags;
    int width = -1; // -1: none
    int precision = -1;
    wchar_t kind = L's';
    bool wide = false; // an explicit size prefix is ignored
};

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Integer value of an insert for a width or precision slot.
int slotValue(std::span<const MessageArg> args, size_t index)
{
    if (index >= args.size()) {
        return 0;
    }
    const MessageArg& arg = args[index];
    if (const auto* s = std::get_if<std::int32_t>(&arg)) {
        return *s;
    }
    if (const auto* u = std::get_if<std::uint32_t>(&arg)) {
        return static_cast<int>(*u);
    }
    return 0;
}

std::wstring pad(std::wstring body, const Conversion& c)
{
    const bool left = c.flags.find(L'-') != std::wstring::npos;
    if (c.width > 0 && body.size() < static_cast<size_t>(c.width)) {
        const size_t fill = static_cast<size_t>(c.width) - body.size();
        const bool zero = !left && c.flags.find(L'0') != std::wstring::npos && c.kind != L's' && c.kind != L'c';
        if (left) {
            body.append(fill, L' ');
        } else if (zero) {
            size_t signEnd = (!body.empty() && (body[0] == L'-' || body[0] == L'+' || body[0] == L' ')) ? 1 : 0;
            body.insert(signEnd, fill, L'0');
        } else {
            body.insert(0, fill, L' ');
        }
    }
    return body;
}

std::wstring convertNumber(std::uint64_t magnitude, bool negative, const Conversion& c)
{
    std::wstring digits;
    unsigned base = 10;
    const wchar_t* alphabet = L"0123456789abcdef";
    if (c.kind == L'x' || c.kind == L'p') {
        base = 16;
    } else if (c.kind == L'X') {
        base = 16;
        alphabet = L"0123456789ABCDEF";
    } else if (c.kind == L'o') {
        base = 8;
    }
    do {
        digits.insert(digits.begin(), alphabet[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    if (c.precision >= 0 && digits.size() < static_cast<size_t>(c.precision)) {
        digits.insert(0, static_cast<size_t>(c.precision) - digits.size(), L'0');
    }
    std::wstring sign;
    if (negative) {
        sign = L"-";
    } else if (c.kind == L'd' || c.kind == L'i') {
        if (c.flags.find(L'+') != std::wstring::npos) {
            sign = L"+";
        } else if (c.flags.find(L' ') != std::wstring::npos) {
            sign = L" ";
        }
    }
    if (c.flags.find(L'#') != std::wstring::npos && digits != L"0") {
        if (base == 16) {
            sign += (c.kind == L'X') ? L"0X" : L"0x";
        } else if (base == 8) {
            sign += L"0";
        }
    }
    return pad(sign + digits, c);
}

std::wstring convertArg(const MessageArg& arg, const Conversion& c)
{
    switch (c.kind) {
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
    case L'o':
    case L'p': {
        std::int64_t value = 0;
        if (const auto* s = std::get_if<std::int32_t>(&arg)) {
            value = *s;
        } else if (const auto* u = std::get_if<std::uint32_t>(&arg)) {
            value = *u;
        } else {
            // A text where a number is expected: show the text rather than guess.
            return pad(std::get<std::wstring>(arg), Conversion{ c.flags, c.width, -1, L's', false });
        }
        if (c.kind == L'd' || c.kind == L'i') {
            const auto signedValue = static_cast<std::int32_t>(value);
            const bool negative = signedValue < 0;
            const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(signedValue))
                                                     : static_cast<std::uint64_t>(signedValue);
            return convertNumber(magnitude, negative, c);
        }
        return convertNumber(static_cast<std::uint32_t>(value), false, c);
    }
    case L'c':
    case L'C': {
        std::wstring body;
        if (const auto* text = std::get_if<std::wstring>(&arg)) {
            body = text->substr(0, 1);
        } else {
            body.assign(1, static_cast<wchar_t>(slotValue(std::span<const MessageArg>(&arg, 1), 0)));
        }
        return pad(body, c);
    }
    default: {
        std::wstring body;
        if (const auto* text = std::get_if<std::wstring>(&arg)) {
            body = *text;
        } else if (const auto* s = std::get_if<std::int32_t>(&arg)) {
            body = std::to_wstring(*s);
        } else {
            body = std::to_wstring(std::get<std::uint32_t>(arg));
        }
        if (c.precision >= 0 && body.size() > static_cast<size_t>(c.precision)) {
            body.resize(static_cast<size_t>(c.precision));
        }
        return pad(body, c);
    }
    }
}

} // namespace

std::wstring formatMessageText(std::wstring_view text, std::span<const MessageArg> args)
{
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t ch = text[i];
        if (ch != L'%') {
            out.push_back(ch);
            ++i;
            continue;
        }
        ++i;
        if (i >= text.size()) {
            break; // a lone "%" at the end stands for nothing
        }
        const wchar_t next = text[i];
        if (next == L'0') {
            return out;
        }
        if (isDigit(next)) {
            int number = next - L'0';
            ++i;
            if (i < text.size() && isDigit(text[i])) {
                number = number * 10 + (text[i] - L'0');
                ++i;
            }
            Conversion conversion;
            size_t nextSlot = static_cast<size_t>(number) - 1; // 0-based: width and precision slots come first
            if (i < text.size() && text[i] == L'!') {
                const size_t close = text.find(L'!', i + 1);
                if (close != std::wstring_view::npos) {
                    std::wstring_view spec = text.substr(i + 1, close - i - 1);
                    i = close + 1;
                    size_t p = 0;
                    while (p < spec.size() && std::wcschr(L"-+ #0", spec[p]) != nullptr) {
                        conversion.flags.push_back(spec[p++]);
                    }
                    if (p < spec.size() && spec[p] == L'*') {
                        conversion.width = slotValue(args, nextSlot++);
                        ++p;
                    } else {
                        int width = 0;
                        bool any = false;
                        while (p < spec.size() && isDigit(spec[p]) && width < 10000) {
                            width = width * 10 + (spec[p++] - L'0');
                            any = true;
                        }
                        if (any) {
                            conversion.width = width;
                        }
                    }
                    if (p < spec.size() && spec[p] == L'.') {
                        ++p;
                        if (p < spec.size() && spec[p] == L'*') {
                            conversion.precision = slotValue(args, nextSlot++);
                            ++p;
                        } else {
                            int precision = 0;
                            while (p < spec.size() && isDigit(spec[p]) && precision < 10000) {
                                precision = precision * 10 + (spec[p++] - L'0');
                            }
                            conversion.precision = precision;
                        }
                    }
                    while (p < spec.size() && std::wcschr(L"hlLwIjzt0123456789", spec[p]) != nullptr) {
                        ++p; // size prefixes: every insert is already typed
                    }
                    if (p < spec.size()) {
                        conversion.kind = spec[p];
                    }
                    if (conversion.width > 10000 || conversion.width < 0) {
                        conversion.width = -1;
                    }
                    if (conversion.precision > 10000) {
                        conversion.precision = 10000;
                    }
                }
            }
            // The value comes after its width and precision slots, as in the platform's formatter.
            const size_t valueIndex = nextSlot;
            if (number > 0 && valueIndex < args.size()) {
                out += convertArg(args[valueIndex], conversion);
            }
            continue;
        }
        ++i;
        switch (next) {
        case L'n':
            out += L"\r\n";
            break;
        case L'r':
            out.push_back(L'\r');
            break;
        case L't':
            out.push_back(L'\t');
            break;
        case L'b':
            out.push_back(L' ');
            break;
        default:
            out.push_back(next);
            break;
        }
    }
    return out;
}

std::wstring formatString(UINT id, std::initializer_list<MessageArg> args)
{
    return formatMessageText(loadString(id), std::span<const MessageArg>(args.begin(), args.size()));
}

std::wstring formatOsErrorText(DWORD code)
{
    if (code == 0) {
        code = GetLastError();
    }
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
            | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer != nullptr) {
        text.assign(buffer, length);
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

std::wstring fileDialogFilter(std::wstring_view barSeparated)
{
    std::wstring filter(barSeparated);
    for (wchar_t& c : filter) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

} // namespace win
