// The smallest program that shows a modal property sheet with the three page templates
// of the front end and nothing else: the baseline of the start-up benchmark. Like the
// front end it creates every page up front (PSP_PREMATURE, and by activating each once
// where the platform ignores that flag for the pages a sheet starts with).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <initializer_list>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK pageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

int CALLBACK sheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED) {
        for (int index : {0, 1, 2, 0}) {
            SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    return 0;
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
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.pfnCallback = &sheetCallback;
    header.hInstance = instance;
    header.pszCaption = L"Minimal Sheet";
    header.nPages = 3;
    header.phpage = pages;
    return static_cast<int>(PropertySheetW(&header));
}
