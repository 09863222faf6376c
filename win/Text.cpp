#include "win/Text.h"

#include <climits>

namespace win {

std::wstring fromCodePage(UINT codePage, std::string_view bytes)
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

} // namespace win
