#include "queue/DocumentGathering.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <set>

#include "win/FileSystem.h"

namespace queue {

namespace {

bool isDocumentName(const std::wstring& name)
{
    const wchar_t* extension = PathFindExtensionW(name.c_str());
    return extension != nullptr
        && (lstrcmpiW(extension, L".pdf") == 0 || lstrcmpiW(extension, L".ps") == 0 || lstrcmpiW(extension, L".eps") == 0);
}

// The documents below folder, as paths relative to the folder the user gave (prefix).
void collectDocuments(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& found)
{
    WIN32_FIND_DATAW entry = {};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Links to folders are not followed: they could lead back up.
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                collectDocuments(folder + L"\\" + name, prefix + name + L"\\", found);
            }
        } else if (isDocumentName(name)) {
            found.push_back(prefix + name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

} // namespace

bool naturallyBefore(const std::wstring& first, const std::wstring& second)
{
    return StrCmpLogicalW(first.c_str(), second.c_str()) < 0;
}

GatheredDocuments gatherDocuments(const std::vector<std::wstring>& paths)
{
    GatheredDocuments gathered;
    std::set<std::wstring> known;
    const auto take = [&](const std::wstring& file) {
        if (known.insert(win::pathKey(file)).second) {
            gathered.files.push_back(file);
        }
    };
    for (const std::wstring& path : paths) {
        if (!win::isDirectory(path)) {
            take(path);
            continue;
        }
        std::wstring folder = path;
        while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
            folder.pop_back();
        }
        std::vector<std::wstring> inside;
        collectDocuments(folder, std::wstring(), inside);
        if (inside.empty()) {
            gathered.emptyFolders.push_back(path);
        }
        std::sort(inside.begin(), inside.end(), naturallyBefore);
        const bool separated = folder.back() == L'\\' || folder.back() == L'/';
        for (const std::wstring& relative : inside) {
            take(folder + (separated ? L"" : L"\\") + relative);
        }
    }
    return gathered;
}

} // namespace queue
