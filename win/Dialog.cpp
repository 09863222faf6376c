#include "win/Dialog.h"

#include <cstring>

#include "win/Module.h"

namespace win {

INT_PTR Dialog::runModal(int templateId, HWND owner, HINSTANCE module)
{
    return DialogBoxParamW(module != nullptr ? module : moduleInstance(), MAKEINTRESOURCEW(templateId), owner,
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
    page.dwFlags = PSP_DEFAULT | PSP_PREMATURE; // made with the sheet window
    page.hInstance = module != nullptr ? module : moduleInstance();
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = &PropertyPage::pageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageW(&page);
}

namespace {

// Posted to the first page while the sheet is being created: its handler runs from the
// sheet's message loop once creation is complete. The sheet is created hidden and
// shown after that handler, so it appears complete.
constexpr UINT kSheetShownMessage = WM_APP + 0x5A1;
constexpr UINT_PTR kDropSubclassId = 0x5A2;

// DS_CONTEXTHELP and WS_VISIBLE removed from, and DS_CENTER added to, a DLGTEMPLATE
// or DLGTEMPLATEEX.
void adjustSheetTemplate(void* dialogTemplate)
{
    auto* bytes = static_cast<BYTE*>(dialogTemplate);
    WORD signature = 0;
    std::memcpy(&signature, bytes + sizeof(WORD), sizeof(signature));
    // DLGTEMPLATEEX: dlgVer, signature 0xFFFF, helpID, exStyle, style. DLGTEMPLATE: style first.
    const size_t styleOffset = signature == 0xFFFF ? 12 : 0;
    DWORD style = 0;
    std::memcpy(&style, bytes + styleOffset, sizeof(style));
    style &= ~static_cast<DWORD>(DS_CONTEXTHELP | WS_VISIBLE);
    style |= DS_CENTER;
    std::memcpy(bytes + styleOffset, &style, sizeof(style));
}

} // namespace

INT_PTR CALLBACK PropertyPage::pageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // For pages the object arrives in the PROPSHEETPAGEW's lParam.
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* self = reinterpret_cast<PropertyPage*>(page->lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        if (self->sheet_ != nullptr && self->sheet_->hwnd_ == nullptr) {
            self->sheet_->hwnd_ = GetParent(hwnd);
        }
        return self->dispatchPage(message, wParam, lParam);
    }
    auto* self = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    return self->dispatchPage(message, wParam, lParam);
}

INT_PTR PropertyPage::dispatchPage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const INT_PTR result = dispatch(message, wParam, lParam);
    INT_PTR sheetResult = 0;
    // A message the page left alone may be the sheet's (WM_NOTIFY results are set by
    // the page's own onNotify, which hands the sheet's notifications on itself).
    if (result == FALSE && message != WM_NOTIFY && sheet_ != nullptr
        && sheet_->routeFromPage(*this, message, wParam, lParam, sheetResult)) {
        return sheetResult;
    }
    return result;
}

bool PropertyPage::onNotify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case PSN_SETACTIVE:
        // An activation that only makes the page is no activation of the user's: the
        // page is not told, as where the platform makes it up front without one.
        result = (sheet_ != nullptr && sheet_->creatingPages_) || onSetActive() ? 0 : -1;
        if (sheet_ != nullptr && !sheet_->shownPosted_) {
            // The first activation happens while the sheet is being created.
            sheet_->shownPosted_ = true;
            PostMessageW(hwnd_, kSheetShownMessage, 0, 0);
        }
        return true;
    case PSN_KILLACTIVE:
        result = onKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        // The sheet sends PSN_APPLY to every page in order; the first page answers
        // for the whole sheet.
        result = PSNRET_NOERROR;
        if (sheet_ != nullptr && index_ == 0 && !sheet_->onApply()) {
            result = PSNRET_INVALID_NOCHANGEPAGE;
        }
        return true;
    case PSN_QUERYCANCEL:
        result = sheet_ != nullptr && !sheet_->onQueryCancel() ? TRUE : FALSE;
        return true;
    default:
        return false;
    }
}

INT_PTR PropertySheetBase::runModal(HWND owner, const std::wstring& caption, std::initializer_list<PageTemplate> pages)
{
    pages_.clear();
    std::vector<HPROPSHEETPAGE> handles;
    for (const PageTemplate& page : pages) {
        page.page->sheet_ = this;
        page.page->index_ = static_cast<int>(pages_.size());
        pages_.push_back(page.page);
        handles.push_back(page.page->createPage(page.templateId));
    }
    for (HPROPSHEETPAGE handle : handles) {
        if (handle == nullptr) {
            for (HPROPSHEETPAGE created : handles) {
                if (created != nullptr) {
                    DestroyPropertySheetPage(created);
                }
            }
            return -1;
        }
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = moduleInstance();
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(handles.size());
    header.nStartPage = 0;
    header.phpage = handles.data();
    header.pfnCallback = &PropertySheetBase::sheetCallback;
    hwnd_ = nullptr;
    shownPosted_ = false;
    const INT_PTR result = ::PropertySheetW(&header);
    hwnd_ = nullptr;
    return result;
}

int CALLBACK PropertySheetBase::sheetCallback(HWND /*hwnd*/, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE && lParam != 0) {
        adjustSheetTemplate(reinterpret_cast<void*>(lParam));
    }
    return 0;
}

bool PropertySheetBase::routeFromPage(PropertyPage& page, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    result = 0;
    switch (message) {
    case kSheetShownMessage:
        createMissingPages();
        onShown();
        if (!IsWindowVisible(hwnd_)) {
            ShowWindow(hwnd_, SW_SHOW);
        }
        onVisible();
        return true;
    case WM_COMMAND:
        return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
        // Timers live on the first page, which exists as long as the sheet.
        if (&page == pages_.front()) {
            onTimer(wParam);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void PropertySheetBase::createMissingPages()
{
    // Not every platform honours PSP_PREMATURE for the pages a sheet starts with (Wine
    // makes only the start page); activating a page makes it. The start page is the first.
    creatingPages_ = true;
    bool made = false;
    for (size_t index = 0; index < pages_.size(); ++index) {
        if (pages_[index]->hwnd() == nullptr) {
            showPage(static_cast<int>(index));
            made = true;
        }
    }
    if (made) {
        showPage(0);
    }
    creatingPages_ = false;
}

void PropertySheetBase::showPage(int index) const
{
    PropSheet_SetCurSel(hwnd_, nullptr, index);
}

void PropertySheetBase::setTimer(UINT_PTR id, UINT milliseconds) const
{
    if (!pages_.empty() && pages_.front()->hwnd() != nullptr) {
        SetTimer(pages_.front()->hwnd(), id, milliseconds, nullptr);
    }
}

void PropertySheetBase::killTimer(UINT_PTR id) const
{
    if (!pages_.empty() && pages_.front()->hwnd() != nullptr) {
        KillTimer(pages_.front()->hwnd(), id);
    }
}

void PropertySheetBase::acceptDrops(bool accept)
{
    if (accept) {
        SetWindowSubclass(hwnd_, &PropertySheetBase::dropSubclassProc, kDropSubclassId,
            reinterpret_cast<DWORD_PTR>(this));
    } else {
        RemoveWindowSubclass(hwnd_, &PropertySheetBase::dropSubclassProc, kDropSubclassId);
    }
    DragAcceptFiles(hwnd_, accept ? TRUE : FALSE);
}

LRESULT CALLBACK PropertySheetBase::dropSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
    UINT_PTR id, DWORD_PTR data)
{
    if (message == WM_DROPFILES) {
        reinterpret_cast<PropertySheetBase*>(data)->onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &PropertySheetBase::dropSubclassProc, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace win
