#include "base/StringTable.h"

#include <windows.h>

#include <string>

namespace base {

std::wstring loadString(unsigned int id)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const wchar_t* resource = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    const int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&resource), 0);
    if (length <= 0 || resource == nullptr) {
        return std::wstring();
    }
    return std::wstring(resource, static_cast<size_t>(length));
}


std::wstring formatString(unsigned int id, std::initializer_list<MessageArg> args)
{
    return formatMessageText(loadString(id), std::span<const MessageArg>(args.begin(), args.size()));
}

std::wstring formatOsErrorText(unsigned long code)
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

} // namespace base
