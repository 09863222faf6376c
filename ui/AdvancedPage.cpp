#include "ui/AdvancedPage.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "ui/BasicPage.h"
#include "win/Strings.h"

namespace ui {

namespace {

int CALLBACK folderBrowserCallback(HWND window, UINT message, LPARAM /*lParam*/, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

} // namespace

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

bool AdvancedPage::onInit()
{
    controls_.attach(hwnd());
    options_.fillLists();
    options_.applyArguments(arguments_);
    return true;
}

void AdvancedPage::enableAutoComplete()
{
    SHAutoComplete(item(IDC_ADV_SLICES), SHACF_FILESYSTEM);
    SHAutoComplete(item(IDC_ADV_RESOURCE_DIR), SHACF_FILESYSTEM);
}

bool AdvancedPage::onCommand(int id, int code, HWND control)
{
    if (code == EN_CHANGE && id == IDC_ADV_RESOURCE_DIR) {
        dropPastedQuotes(win::Edit(control));
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_ADV_SLICES_CHECK:
    case IDC_ADV_RESOURCE_CHECK:
        options_.applyEnablingRule();
        return true;
    case IDC_ADV_RESOURCE_BROWSE:
        browseResourceFolder();
        return true;
    default:
        return false;
    }
}

void AdvancedPage::browseResourceFolder()
{
    const std::wstring initial = win::CheckBox(item(IDC_ADV_RESOURCE_CHECK)).isChecked()
        ? control(IDC_ADV_RESOURCE_DIR).text()
        : std::wstring();
    const auto folder = chooseFolder(hwnd(), win::loadString(IDS_RESOURCEDIR_PROMPT), initial);
    if (folder) {
        control(IDC_ADV_RESOURCE_DIR).setText(*folder);
    }
}

} // namespace ui
