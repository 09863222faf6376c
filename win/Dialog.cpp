#include "win/Dialog.h"

#include "win/Module.h"

namespace win {

INT_PTR Dialog::runModal(int templateId, HWND owner, HINSTANCE module)
{
    return DialogBoxParamW(module != nullptr ? module : moduleInstance(), MAKEINTRESOURCEW(templateId), owner,
        &Dialog::dialogProc, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::createModeless(int templateId, HWND owner, HINSTANCE module)
{
    return CreateDialogParamW(module != nullptr ? module : moduleInstance(), MAKEINTRESOURCEW(templateId), owner,
        &Dialog::dialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr) {
        return FALSE; // messages before WM_INITDIALOG
    }
    return self->dispatch(message, wParam, lParam);
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInit() ? TRUE : FALSE;
    case WM_COMMAND:
        return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (onNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    case WM_NCDESTROY: {
        LRESULT ignored = 0;
        onMessage(message, wParam, lParam, ignored);
        onDestroy();
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        hwnd_ = nullptr;
        return FALSE;
    }
    default: {
        LRESULT result = 0;
        if (!onMessage(message, wParam, lParam, result)) {
            return FALSE;
        }
        // Messages whose result is the dialog procedure's return value.
        switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    }
}

HPROPSHEETPAGE PropertyPage::createPage(int templateId, HINSTANCE module)
{
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT | PSP_PREMATURE;
    page.hInstance = module != nullptr ? module : moduleInstance();
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = &PropertyPage::pageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageW(&page);
}

INT_PTR CALLBACK PropertyPage::pageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // For pages the object arrives in the PROPSHEETPAGEW's lParam.
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* self = reinterpret_cast<PropertyPage*>(page->lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        return self->dispatch(message, wParam, lParam);
    }
    auto* self = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    return self->dispatch(message, wParam, lParam);
}

bool PropertyPage::onNotify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case PSN_SETACTIVE:
        result = onSetActive() ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        result = onKillActive() ? FALSE : TRUE;
        return true;
    default:
        return false;
    }
}

} // namespace win
