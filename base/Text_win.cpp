#include "base/Text.h"

#include <windows.h>

#include <climits>

namespace base {

std::wstring fromCodePage(unsigned int codePage, std::string_view bytes)
{
    std::wstring result;
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return result;
    }
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return result;
    }
    result.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(codePage, 0, bytes.data(), length, result.data(), needed);
    return result;
}

namespace {

// Every ANSI code page and UTF-8 keep the bytes below 0x80 as ASCII (not so UTF-7,
// ISO-2022 or EBCDIC, which never serve as the ANSI code page).
bool keepsAscii(unsigned int codePage)
{
    return codePage == CP_UTF8 || codePage == GetACP();
}

} // namespace

void fromCodePageInto(unsigned int codePage, std::string_view bytes, std::wstring& result)
{
    // Most of a converter's lines are plain ASCII: widened directly, without a call.
    if (keepsAscii(codePage)) {
        result.resize(bytes.size());
        size_t i = 0;
        for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
            result[i] = static_cast<wchar_t>(bytes[i]);
        }
        if (i == bytes.size()) {
            return;
        }
    }
    // A code-page text never has more UTF-16 units than bytes, so one conversion call
    // into a buffer of that size suffices; any other outcome takes the general route.
    result.resize(bytes.size());
    int length = 0;
    if (!bytes.empty() && bytes.size() <= static_cast<size_t>(INT_MAX)) {
        length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), result.data(),
            static_cast<int>(result.size()));
        if (length <= 0) {
            result = fromCodePage(codePage, bytes);
            return;
        }
    }
    result.resize(static_cast<size_t>(length));
}

std::wstring fromUtf8(std::string_view utf8)
{
    return fromCodePage(CP_UTF8, utf8);
}

std::string toUtf8(std::wstring_view text)
{
    std::string result;
    if (text.empty() || text.size() > INT_MAX) {
        return result;
    }
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return result;
    }
    result.resize(static_cast<size_t>(needed));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
    return result;
}

unsigned int ansiCodePage()
{
    return GetACP();
}

} // namespace base
