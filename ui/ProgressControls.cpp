#include "ui/ProgressControls.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include <vector>

#include "res/resource.h"
#include "base/StringTable.h"
#include "win/Window.h"

namespace ui {

namespace {

// The added row, in dialog units: a button's height and the gap above the next row.
constexpr int kRowDialogUnits = 17;
constexpr int kComboDropDialogUnits = 90;

RECT dialogUnits(HWND dialog, int x, int y, int width, int height)
{
    RECT rect = {x, y, x + width, y + height};
    MapDialogRect(dialog, &rect);
    return rect;
}

RECT childRect(HWND dialog, int id)
{
    return win::Window(GetDlgItem(dialog, id)).rectInParent();
}

// Places a control after another in the tab order (null: first).
void tabAfter(HWND control, HWND after)
{
    SetWindowPos(control, after != nullptr ? after : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

HWND ProgressControls::createChild(const wchar_t* windowClass, UINT textId, DWORD style, int id, const RECT& rect,
    HWND after)
{
    const std::wstring text = textId != 0 ? base::loadString(textId) : std::wstring();
    HWND control = CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    tabAfter(control, after);
    return control;
}

void ProgressControls::create(HWND dialog)
{
    dialog_ = dialog;
    font_ = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    const RECT stop = childRect(dialog, IDCANCEL);
    const RECT details = childRect(dialog, IDC_PROGRESS_DETAILS);
    const int row = dialogUnits(dialog, 0, 0, 0, kRowDialogUnits).bottom;

    // The template's controls from the button row down move one row lower.
    std::vector<HWND> lower;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (win::Window(child).rectInParent().bottom > stop.top) {
            lower.push_back(child);
        }
    }
    for (HWND child : lower) {
        win::Window(child).moveEdges(0, row, 0, row);
    }
    RECT window = {};
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + row,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The new row where the button row was: the time line, then Pause in the stop
    // button's place and Background in the details button's.
    const RECT status = childRect(dialog, IDC_PROGRESS_STATUS);
    const int textHeight = dialogUnits(dialog, 0, 0, 0, 8).bottom;
    const int textTop = stop.top + (stop.bottom - stop.top - textHeight) / 2;
    const RECT timeRect = {status.left, textTop, stop.left - (details.left - stop.right), textTop + textHeight};
    HWND time = createChild(L"Static", 0, SS_LEFT | SS_NOPREFIX, IDC_PROGRESS_TIME, timeRect, nullptr);
    HWND pause = createChild(L"Button", IDS_PAUSE, BS_PUSHBUTTON | WS_TABSTOP, IDC_PROGRESS_PAUSE, stop, time);
    HWND background = createChild(L"Button", IDS_BACKGROUND, BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP,
        IDC_PROGRESS_BACKGROUND, details, pause);

    // Tab order as laid out: the new row, the stop and details buttons, the list (after
    // its label), the filter, the choice for the end, "Open Log".
    HWND stopButton = GetDlgItem(dialog, IDCANCEL);
    HWND detailsButton = GetDlgItem(dialog, IDC_PROGRESS_DETAILS);
    HWND list = GetDlgItem(dialog, IDC_PROGRESS_MESSAGES);
    tabAfter(stopButton, background);
    tabAfter(detailsButton, stopButton);
    // A label without room: screen readers name the list after it.
    HWND listLabel = createChild(L"Static", IDS_MESSAGES_NAME, SS_LEFT, -1, RECT{0, 0, 0, 0}, detailsButton);
    tabAfter(list, listLabel);
    // Where only a control's own text is read, the list has its name too (a list view
    // shows no text of its own).
    SetWindowTextW(list, base::loadString(IDS_MESSAGES_NAME).c_str());

    const RECT openLog = childRect(dialog, IDC_PROGRESS_OPEN_LOG);
    const RECT listRect = childRect(dialog, IDC_PROGRESS_MESSAGES);
    const int gap = dialogUnits(dialog, 0, 0, 4, 0).right;
    const int labelTop = openLog.top + (openLog.bottom - openLog.top - textHeight) / 2;
    const int filterLabelWidth = dialogUnits(dialog, 0, 0, 30, 0).right;
    const int comboWidth = dialogUnits(dialog, 0, 0, 76, 0).right;
    const int drop = dialogUnits(dialog, 0, 0, 0, kComboDropDialogUnits).bottom;
    int x = listRect.left;
    HWND filterLabel = createChild(L"Static", IDS_FILTER_LABEL, SS_LEFT, IDC_PROGRESS_FILTER_LABEL,
        RECT{x, labelTop, x + filterLabelWidth, labelTop + textHeight}, list);
    x += filterLabelWidth + gap / 2;
    HWND filter = createChild(WC_COMBOBOXW, 0, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IDC_PROGRESS_FILTER,
        RECT{x, openLog.top, x + comboWidth, openLog.top + drop}, filterLabel);
    x += comboWidth + gap;
    const int whenLabelWidth = dialogUnits(dialog, 0, 0, 40, 0).right;
    HWND whenLabel = createChild(L"Static", IDS_WHEN_DONE_LABEL, SS_LEFT, IDC_PROGRESS_WHEN_DONE_LABEL,
        RECT{x, labelTop, x + whenLabelWidth, labelTop + textHeight}, filter);
    x += whenLabelWidth + gap / 2;
    HWND whenDone = createChild(WC_COMBOBOXW, 0, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IDC_PROGRESS_WHEN_DONE,
        RECT{x, openLog.top, openLog.left - gap, openLog.top + drop}, whenLabel);
    tabAfter(GetDlgItem(dialog, IDC_PROGRESS_OPEN_LOG), whenDone);

    win::ComboBox filterBox(filter);
    for (UINT id : {IDS_FILTER_ALL, IDS_FILTER_WARNINGS, IDS_FILTER_ERRORS}) {
        filterBox.addString(base::loadString(id));
    }
    filterBox.setSelection(0);
    win::ComboBox whenBox(whenDone);
    for (UINT id : {IDS_WHEN_DONE_NOTHING, IDS_WHEN_DONE_CLOSE, IDS_WHEN_DONE_SLEEP, IDS_WHEN_DONE_HIBERNATE,
             IDS_WHEN_DONE_SHUTDOWN, IDS_WHEN_DONE_SLEEP_ALWAYS, IDS_WHEN_DONE_HIBERNATE_ALWAYS,
             IDS_WHEN_DONE_SHUTDOWN_ALWAYS}) {
        whenBox.addString(base::loadString(id));
    }
    whenBox.setSelection(0); // "Do nothing" at every start, never stored
    nameForScreenReaders(IDC_PROGRESS_DETAILS, IDS_DETAILS_NAME);
    // The list shows its longest choice whole.
    SendMessageW(whenDone, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dialogUnits(dialog, 0, 0, 130, 0).right), 0);
}

void ProgressControls::nameForScreenReaders(int id, UINT textId)
{
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
            reinterpret_cast<void**>(&services)))) {
        return; // no annotation service: the control's text names it
    }
    services->SetHwndPropStr(GetDlgItem(dialog_, id), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
        base::loadString(textId).c_str());
    services->Release();
}

void ProgressControls::forgetNames()
{
    IAccPropServices* services = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
            reinterpret_cast<void**>(&services)))) {
        MSAAPROPID name = PROPID_ACC_NAME;
        services->ClearHwndProps(GetDlgItem(dialog_, IDC_PROGRESS_DETAILS), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
            &name, 1);
        services->Release();
    }
}

void ProgressControls::setTimeText(const std::wstring& text)
{
    win::Window(GetDlgItem(dialog_, IDC_PROGRESS_TIME)).setText(text);
}

void ProgressControls::showPaused(bool paused)
{
    win::Window(GetDlgItem(dialog_, IDC_PROGRESS_PAUSE)).setText(base::loadString(paused ? IDS_RESUME : IDS_PAUSE));
}

void ProgressControls::setBackground(bool background)
{
    CheckDlgButton(dialog_, IDC_PROGRESS_BACKGROUND, background ? BST_CHECKED : BST_UNCHECKED);
}

bool ProgressControls::background() const
{
    return IsDlgButtonChecked(dialog_, IDC_PROGRESS_BACKGROUND) == BST_CHECKED;
}

void ProgressControls::enableRunControls(bool enabled)
{
    EnableWindow(GetDlgItem(dialog_, IDC_PROGRESS_PAUSE), enabled ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog_, IDC_PROGRESS_BACKGROUND), enabled ? TRUE : FALSE);
}

converter::MessageFilter ProgressControls::filter() const
{
    const auto index = SendDlgItemMessageW(dialog_, IDC_PROGRESS_FILTER, CB_GETCURSEL, 0, 0);
    return index == 1 ? converter::MessageFilter::WarningsAndErrors
         : index == 2 ? converter::MessageFilter::ErrorsOnly
                      : converter::MessageFilter::All;
}

WhenDone ProgressControls::whenDone() const
{
    const auto index = SendDlgItemMessageW(dialog_, IDC_PROGRESS_WHEN_DONE, CB_GETCURSEL, 0, 0);
    // The last three are sleep, hibernation and shutdown also after a failure.
    return index >= 5 ? static_cast<WhenDone>(index - 3) : index >= 1 ? static_cast<WhenDone>(index) : WhenDone::Nothing;
}

bool ProgressControls::whenDoneAlsoAfterFailure() const
{
    return SendDlgItemMessageW(dialog_, IDC_PROGRESS_WHEN_DONE, CB_GETCURSEL, 0, 0) >= 5;
}

} // namespace ui
