#include "win/Module.h"

namespace win {

HINSTANCE moduleInstance()
{
    return GetModuleHandleW(nullptr);
}

std::wstring modulePath()
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

std::wstring fileNamePart(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring pathBesideModule(const std::wstring& fileName)
{
    const std::wstring path = modulePath();
    return path.substr(0, path.size() - fileNamePart(path).size()) + fileName;
}

} // namespace win
