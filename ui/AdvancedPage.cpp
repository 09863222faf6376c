#include "ui/AdvancedPage.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "ui/FileDialogs.h"
#include "base/StringTable.h"

namespace ui {

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
    const auto folder = chooseFolder(hwnd(), base::loadString(IDS_RESOURCEDIR_PROMPT), initial);
    if (folder) {
        control(IDC_ADV_RESOURCE_DIR).setText(*folder);
    }
}

} // namespace ui
