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

bool sameIdentity(const std::optional<FileIdentity>& a, const std::optional<FileIdentity>& b)
{
    return a && b && a->volume == b->volume && a->indexHigh == b->indexHigh && a->indexLow == b->indexLow;
}

bool equalIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE)
        == CSTR_EQUAL;
}

// The file name of a full path (after its last separator).
std::wstring namePart(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

} // namespace

std::wstring pathKey(const std::wstring& path)
{
    std::wstring key = fullPath(path);
    if (!key.empty()) {
        CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    }
    return key;
}

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

std::wstring folderOf(const std::wstring& path)
{
    const std::wstring full = fullPath(path);
    const size_t separator = full.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return std::wstring();
    }
    std::wstring folder = full.substr(0, separator);
    // A drive's root keeps its separator ("C:" alone means the drive's current folder).
    if (!folder.empty() && folder.back() == L':') {
        folder.push_back(L'\\');
    }
    return folder;
}

bool sameFile(const std::wstring& first, const std::wstring& second)
{
    if (first.empty() || second.empty()) {
        return false;
    }
    const std::wstring a = fullPath(first);
    const std::wstring b = fullPath(second);
    if (equalIgnoringCase(a, b)) {
        return true;
    }
    const auto idA = identityOf(a);
    const auto idB = identityOf(b);
    if (idA || idB) {
        return sameIdentity(idA, idB);
    }
    // Neither exists yet: the same name in the same folder on disk (a link or junction
    // to the folder, a \\?\ spelling) will be the same file once one of them is made.
    return equalIgnoringCase(namePart(a), namePart(b)) && sameIdentity(identityOf(folderOf(a)), identityOf(folderOf(b)));
}

} // namespace win
