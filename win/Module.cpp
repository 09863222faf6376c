#include "win/Module.h"

namespace win {

HINSTANCE moduleInstance()
{
    return GetModuleHandleW(nullptr);
}

std::wstring modulePath()
{
    // A program installed under a long path needs more than MAX_PATH characters.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::wstring();
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

std::wstring userName()
{
    wchar_t user[257] = {};
    DWORD length = static_cast<DWORD>(std::size(user));
    return GetUserNameW(user, &length) ? std::wstring(user) : std::wstring();
}

} // namespace win
