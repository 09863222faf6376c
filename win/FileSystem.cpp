#include "win/FileSystem.h"

#include <windows.h>

#include <optional>

#include "win/Handle.h"

namespace win {

namespace {

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

// The volume and file index of an existing file or folder; opened for no access, so
// a file that another program holds open or locked still answers.
std::optional<FileIdentity> identityOf(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file.get(), &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

} // namespace

std::wstring fullPath(const std::wstring& path)
{
    if (path.empty()) {
        return path;
    }
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring result(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, result.data(), nullptr);
    if (written == 0 || written >= needed) {
        return path;
    }
    result.resize(written);
    return result;
}

bool pathExists(const std::wstring& path)
{
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const std::wstring& path)
{
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool sameFile(const std::wstring& first, const std::wstring& second)
{
    if (first.empty() || second.empty()) {
        return false;
    }
    const std::wstring a = fullPath(first);
    const std::wstring b = fullPath(second);
    if (CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE)
        == CSTR_EQUAL) {
        return true;
    }
    const auto idA = identityOf(a);
    const auto idB = idA ? identityOf(b) : std::nullopt;
    return idA && idB && idA->volume == idB->volume && idA->indexHigh == idB->indexHigh
        && idA->indexLow == idB->indexLow;
}

} // namespace win
