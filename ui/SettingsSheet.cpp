#include "ui/SettingsSheet.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

#include "converter/ConverterContract.h"
#include "settings/SettingsStore.h"
#include "ui/FileChecks.h"
#include "ui/HistoryMenu.h"
#include "ui/res/resource.h"
#include "win/ErrorMessage.h"
#include "win/FileSystem.h"
#include "win/Module.h"
#include "win/Strings.h"

namespace ui {

namespace {

// The sheet whose PropertySheetW call is running on this thread; the sheet callback
// has no data pointer of its own.
thread_local SettingsSheet* sheetBeingCreated = nullptr;

constexpr UINT_PTR kSubclassId = 1;
// Posted after the first-show steps to run the shown handler from the message loop.
constexpr UINT kShownMessage = WM_APP + 0x4B1;
constexpr int kHistoryButtonLeft = 7;
// A zero-delay timer: timers come after painting, so the completion objects are
// loaded once the sheet is on the screen.
constexpr UINT_PTR kAutoCompleteTimer = 0x4B2;
constexpr size_t kDropPathBuffer = 260;

int defaultMessageBox(HWND owner, UINT style, UINT stringId, const std::wstring& insert)
{
    return win::showErrorMessage(owner, style, stringId, {insert});
}

// DS_CONTEXTHELP removed from a DLGTEMPLATE or DLGTEMPLATEEX.
void removeContextHelp(void* dialogTemplate)
{
    auto* bytes = static_cast<BYTE*>(dialogTemplate);
    WORD signature = 0;
    std::memcpy(&signature, bytes + sizeof(WORD), sizeof(signature));
    // DLGTEMPLATEEX: dlgVer, signature 0xFFFF, helpID, exStyle, style. DLGTEMPLATE: style first.
    const size_t styleOffset = signature == 0xFFFF ? 12 : 0;
    DWORD style = 0;
    std::memcpy(&style, bytes + styleOffset, sizeof(style));
    style &= ~static_cast<DWORD>(DS_CONTEXTHELP);
    std::memcpy(bytes + styleOffset, &style, sizeof(style));
}

} // namespace

POINT centredPosition(const RECT& sheet, const RECT& reference, const RECT& workArea)
{
    const LONG width = sheet.right - sheet.left;
    const LONG height = sheet.bottom - sheet.top;
    POINT position = {};
    position.x = (reference.left + reference.right) / 2 - width / 2;
    position.y = (reference.top + reference.bottom) / 2 - height / 2;
    if (position.x < workArea.left) {
        position.x = workArea.left;
    } else if (position.x + width > workArea.right) {
        position.x = workArea.right - width;
    }
    if (position.y < workArea.top) {
        position.y = workArea.top;
    } else if (position.y + height > workArea.bottom) {
        position.y = workArea.bottom - height;
    }
    return position;
}

SettingsSheet::SettingsSheet(options::ArgumentSet& arguments)
    : arguments_(arguments),
      basic_(arguments),
      advanced_(arguments),
      misc_(arguments, {&basic_, &advanced_}),
      messageBox_(&defaultMessageBox)
{
}

SettingsSheet::~SettingsSheet()
{
    if (largeIcon_ != nullptr) {
        DestroyIcon(largeIcon_);
    }
    if (smallIcon_ != nullptr) {
        DestroyIcon(smallIcon_);
    }
}

INT_PTR SettingsSheet::show(HWND owner)
{
    title_ = win::loadString(IDS_APP_TITLE);
    HPROPSHEETPAGE pages[3] = {basic_.create(), advanced_.create(), misc_.create()};
    if (pages[0] == nullptr || pages[1] == nullptr || pages[2] == nullptr) {
        for (HPROPSHEETPAGE page : pages) {
            if (page != nullptr) {
                DestroyPropertySheetPage(page);
            }
        }
        return -1;
    }

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = win::moduleInstance();
    header.pszCaption = title_.c_str();
    header.nPages = 3;
    header.nStartPage = 0;
    header.phpage = pages;
    header.pfnCallback = &SettingsSheet::sheetCallback;

    SettingsSheet* const previous = sheetBeingCreated;
    sheetBeingCreated = this;
    const INT_PTR result = PropertySheetW(&header);
    sheetBeingCreated = previous;
    hwnd_ = nullptr;
    historyButton_ = nullptr;
    // The platform may report "no changes" for an OK; the confirm procedure is what counts.
    return confirmed_ ? 1 : result;
}

int CALLBACK SettingsSheet::sheetCallback(HWND hwnd, UINT message, LPARAM lParam)
{
    switch (message) {
    case PSCB_PRECREATE:
        if (lParam != 0) {
            removeContextHelp(reinterpret_cast<void*>(lParam));
        }
        break;
    case PSCB_INITIALIZED:
        if (SettingsSheet* self = sheetBeingCreated; self != nullptr) {
            self->hwnd_ = hwnd;
            SetWindowSubclass(hwnd, &SettingsSheet::subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(self));
        }
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CALLBACK SettingsSheet::subclassProc(
    HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR data)
{
    auto* self = reinterpret_cast<SettingsSheet*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &SettingsSheet::subclassProc, kSubclassId);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    bool handled = false;
    const LRESULT result = self->handleMessage(message, wParam, lParam, handled);
    return handled ? result : DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT SettingsSheet::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != FALSE && !firstShowDone_) {
            firstShowDone_ = true;
            handled = true;
            const LRESULT result = DefSubclassProc(hwnd_, message, wParam, lParam);
            onFirstShow();
            return result;
        }
        break;
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        const UINT code = HIWORD(wParam);
        if (code != 0) {
            break;
        }
        if (id == IDC_SHEET_HISTORY && reinterpret_cast<HWND>(lParam) == historyButton_ && historyButton_ != nullptr) {
            handled = true;
            trackHistoryMenu(history_, historyButton_, hwnd_);
            return 0;
        }
        if (id >= IDM_HISTORY_REVERT && id <= IDM_HISTORY_LAST && lParam == 0) {
            handled = true;
            onHistoryCommand(id);
            return 0;
        }
        if (id == IDOK) {
            if (!confirm()) {
                handled = true;
                return 0;
            }
        }
        break;
    }
    case WM_DROPFILES:
        handled = true;
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kAutoCompleteTimer) {
            handled = true;
            KillTimer(hwnd_, kAutoCompleteTimer);
            basic_.enableAutoComplete();
            advanced_.enableAutoComplete();
            misc_.enableAutoComplete();
            return 0;
        }
        break;
    case kShownMessage:
        handled = true;
        if (shownHandler_) {
            const auto handler = std::move(shownHandler_);
            shownHandler_ = nullptr;
            handler(*this);
        }
        return 0;
    default:
        break;
    }
    return 0;
}

void SettingsSheet::createAllPages()
{
    // Some platforms create only the start page; activating every page once creates
    // them all, in page order, before anything reads or writes their controls.
    const int current = PropSheet_HwndToIndex(hwnd_, PropSheet_GetCurrentPageHwnd(hwnd_));
    bool missing = false;
    for (int index = 0; index < 3; ++index) {
        if (PropSheet_IndexToHwnd(hwnd_, index) == nullptr) {
            missing = true;
        }
    }
    if (!missing) {
        return;
    }
    for (int index = 0; index < 3; ++index) {
        if (PropSheet_IndexToHwnd(hwnd_, index) == nullptr) {
            PropSheet_SetCurSel(hwnd_, nullptr, index);
        }
    }
    PropSheet_SetCurSel(hwnd_, nullptr, current >= 0 ? current : 0);
}

void SettingsSheet::onFirstShow()
{
    createAllPages();
    centre();
    setIcons();
    DragAcceptFiles(hwnd_, arguments_.fileArgumentCount() == 0 ? TRUE : FALSE);
    createHistoryButton();

    settings::SettingsStore store;
    store.open();
    history_.load(store);
    store.close();

    if (arguments_.optionCount() == 0 && !history_.empty()) {
        misc_.composer().applyParameterText(*history_.newest());
    }
    SetTimer(hwnd_, kAutoCompleteTimer, 0, nullptr);
    if (shownHandler_) {
        PostMessageW(hwnd_, kShownMessage, 0, 0);
    }
}

void SettingsSheet::centre()
{
    RECT workArea = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT reference = workArea;
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &reference);
    }
    RECT sheet = {};
    GetWindowRect(hwnd_, &sheet);
    const POINT position = centredPosition(sheet, reference, workArea);
    SetWindowPos(hwnd_, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsSheet::setIcons()
{
    const HINSTANCE module = win::moduleInstance();
    largeIcon_ = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    smallIcon_ = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void SettingsSheet::createHistoryButton()
{
    const HWND ok = GetDlgItem(hwnd_, IDOK);
    if (ok == nullptr) {
        return;
    }
    const RECT rect = win::Window(ok).rectInParent();
    historyButton_ = CreateWindowExW(0, L"BUTTON", win::loadString(IDS_HISTORY_BUTTON).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kHistoryButtonLeft, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SHEET_HISTORY)),
        win::moduleInstance(), nullptr);
    if (historyButton_ != nullptr) {
        const auto font = static_cast<WPARAM>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        SendMessageW(historyButton_, WM_SETFONT, font, TRUE);
    }
}

void SettingsSheet::onHistoryCommand(UINT command)
{
    if (command == IDM_HISTORY_REVERT) {
        misc_.composer().applyParameterText(L"");
        return;
    }
    if (const auto entry = history_.entryForCommand(command)) {
        misc_.composer().applyParameterText(*entry);
    }
}

bool SettingsSheet::confirm()
{
    options::CommandLineComposer& composer = misc_.composer();
    parameterText_ = composer.composeCommandLine(true);
    const settings::StoredPath logSetting = misc_.logPath();
    logPath_ = misc_.logEnabled() ? logSetting.expanded() : std::wstring();
    outputPath_ = basic_.outputPathArgument();
    openAfterConversion_ = misc_.openAfterConversion() ? 1 : 0;

    if (!validate()) {
        return false;
    }

    settings::SettingsStore store;
    store.open();
    if (misc_.logEnabled() && !logSetting.text.empty()) {
        store.writeLogPath(logSetting);
    }
    store.writeLogEnabled(!logPath_.empty());
    store.writeOpenAfterConversion(openAfterConversion_ != 0);
    history_.addAndStore(composer.composeParameterText(true), store);

    arguments_.setFileArgument(0, basic_.inputText());
    arguments_.setFileArgument(1, basic_.outputText());
    store.close();
    confirmed_ = true;
    return true;
}

bool SettingsSheet::validate()
{
    ConfirmFiles files;
    files.input = basic_.inputText();
    files.output = basic_.outputText();
    files.logPath = logPath_;
    const bool forced = win::pathExists(files.output);
    files.commandLineLength = converter::converterCommandLine(win::modulePath(),
        converter::killEventName(UINT64_MAX), parameterText_ + (forced ? converter::kForceOption : L"")).size();

    const FileCheck check = checkFiles(files);
    switch (check.verdict) {
    case FileVerdict::Accept:
        return true;
    case FileVerdict::Refuse:
        messageBox_(hwnd_, MB_OK | MB_ICONERROR, check.stringId, check.insert);
        failAt(check.controlId);
        return false;
    case FileVerdict::AskOverwrite:
        if (messageBox_(hwnd_, MB_YESNO | MB_ICONQUESTION, check.stringId, check.insert) != IDYES) {
            failAt(check.controlId);
            return false;
        }
        parameterText_ += converter::kForceOption;
        return true;
    }
    return false;
}

void SettingsSheet::failAt(int controlId)
{
    if (controlId == IDC_MISC_LOG_PATH) {
        PropSheet_SetCurSel(hwnd_, nullptr, 2);
        SetFocus(misc_.item(controlId));
    } else if (controlId != 0) {
        PropSheet_SetCurSel(hwnd_, nullptr, 0);
        SetFocus(basic_.item(controlId));
    }
}

void SettingsSheet::onDropFiles(HDROP drop)
{
    wchar_t path[kDropPathBuffer] = {};
    if (DragQueryFileW(drop, 0, path, static_cast<UINT>(kDropPathBuffer)) > 0) {
        path[kDropPathBuffer - 1] = L'\0';
        basic_.setInputFile(path);
    }
    DragFinish(drop);
}

} // namespace ui
