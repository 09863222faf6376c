#include "ui/FileDialogs.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "base/StringTable.h"
#include "options/ArgumentQuoting.h"
#include "win/Handle.h"

namespace ui {

namespace {

constexpr size_t kPathBuffer = 260;

// GetOpenFileNameW or GetSaveFileNameW from comdlg32.dll, loaded when a file dialog is
// first asked for: imported at start, the library (with the print spooler it brings)
// cost the sheet's start several milliseconds. FALSE when it cannot be loaded.
BOOL showFileDialog(bool save, OPENFILENAMEW& dialog)
{
    using DialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const win::UniqueLibrary library(L"comdlg32.dll");
    const FARPROC function =
        library ? GetProcAddress(library.get(), save ? "GetSaveFileNameW" : "GetOpenFileNameW") : nullptr;
    if (function == nullptr) {
        return FALSE;
    }
    return reinterpret_cast<DialogFunction>(reinterpret_cast<void (*)()>(function))(&dialog);
}

int CALLBACK folderBrowserCallback(HWND window, UINT message, LPARAM /*lParam*/, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

} // namespace

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

FileDialogStart fileDialogStart(const std::wstring& text)
{
    FileDialogStart start;
    if (!text.empty() && PathIsDirectoryW(text.c_str())) {
        start.directory = text;
        return start;
    }
    const size_t separator = text.find_last_of(L"\\/");
    if (separator != std::wstring::npos) {
        start.directory = text.substr(0, separator);
        // "C:\file" keeps the root's backslash.
        if (start.directory.size() == 2 && start.directory[1] == L':') {
            start.directory += L'\\';
        }
    }
    start.fileName = text;
    return start;
}

namespace {

// The open and save dialogs' common record: owner, the first filter, the name buffer.
OPENFILENAMEW fileDialogRecord(HWND owner, const std::wstring& filter, std::vector<wchar_t>& buffer)
{
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    return dialog;
}

} // namespace

std::optional<std::wstring> chooseFile(HWND owner, bool save, UINT filterId, const wchar_t* defaultExtension,
    DWORD flags, const std::wstring& startText)
{
    const FileDialogStart start = fileDialogStart(startText);
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    // A longer text than the buffer holds starts the dialog without a file name.
    if (start.fileName.size() < kPathBuffer) {
        start.fileName.copy(buffer.data(), start.fileName.size());
    }
    const std::wstring filter = fileDialogFilter(base::loadString(filterId));

    OPENFILENAMEW dialog = fileDialogRecord(owner, filter, buffer);
    dialog.lpstrInitialDir = start.directory.empty() ? nullptr : start.directory.c_str();
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL chosen = showFileDialog(save, dialog);
    if (!chosen) {
        return std::nullopt;
    }
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

std::vector<std::wstring> chooseFiles(HWND owner, UINT filterId, UINT titleId)
{
    // Room for many names: the folder, then each selected name, each ending in a null.
    std::vector<wchar_t> buffer(32768, L'\0');
    const std::wstring filter = fileDialogFilter(base::loadString(filterId));
    const std::wstring title = base::loadString(titleId);
    OPENFILENAMEW dialog = fileDialogRecord(owner, filter, buffer);
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!showFileDialog(false, dialog)) {
        return {};
    }
    buffer.back() = L'\0';
    buffer[buffer.size() - 2] = L'\0';
    const std::wstring first(buffer.data());
    std::vector<std::wstring> files;
    // One file: its whole path. Several: the folder, then the names.
    for (const wchar_t* name = buffer.data() + first.size() + 1; *name != L'\0'; name += wcslen(name) + 1) {
        const bool separated = !first.empty() && (first.back() == L'\\' || first.back() == L'/');
        files.push_back(first + (separated ? L"" : L"\\") + name);
    }
    if (files.empty() && !first.empty()) {
        files.push_back(first);
    }
    return files;
}

void dropPastedQuotes(const win::Edit& box)
{
    const std::wstring text = box.text();
    const std::wstring path = options::withoutSurroundingQuotes(text);
    if (path.size() != text.size()) {
        box.setText(path);
        const auto end = static_cast<WPARAM>(path.size());
        box.send(EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

std::optional<std::wstring> chooseFolder(HWND owner, const std::wstring& prompt, const std::wstring& initialFolder)
{
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = prompt.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = &folderBrowserCallback;
    browse.lParam = initialFolder.empty() ? 0 : reinterpret_cast<LPARAM>(initialFolder.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListW(chosen, path) != FALSE;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
        allocator->Free(chosen);
        allocator->Release();
    }
    if (!hasPath || path[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(path);
}


} // namespace ui
