// The smallest program that shows a modal property sheet with the three page templates
// of the front end and nothing else: the baseline of the start-up benchmark.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "ui/res/resource.h"

namespace {

INT_PTR CALLBACK pageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    const int templates[3] = {IDD_BASIC_PAGE, IDD_ADVANCED_PAGE, IDD_MISC_PAGE};
    HPROPSHEETPAGE pages[3] = {};
    for (int i = 0; i < 3; ++i) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DEFAULT | PSP_PREMATURE;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(templates[i]);
        page.pfnDlgProc = &pageProc;
        pages[i] = CreatePropertySheetPageW(&page);
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOAPPLYNOW;
    header.hInstance = instance;
    header.pszCaption = L"Minimal Sheet";
    header.nPages = 3;
    header.phpage = pages;
    return static_cast<int>(PropertySheetW(&header));
}
