#include "SheetTestSupport.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "win/Handle.h"
#include "win/Window.h"

INT_PTR runSheet(ui::SettingsSheet& sheet, const std::function<void(ui::SettingsSheet&)>& script)
{
    // As the program does at start-up; the shell's completion objects need it.
    static const HRESULT com = CoInitialize(nullptr);
    (void)com;
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    sheet.setShownHandler([&script](ui::SettingsSheet& shown) {
        script(shown);
        if (sheetOpen(shown)) {
            PostMessageW(shown.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        PostMessageW(shown.hwnd(), WM_NULL, 0, 0);
    });
    return sheet.show(nullptr);
}

void pressOk(ui::SettingsSheet& sheet)
{
    SendMessageW(sheet.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
        reinterpret_cast<LPARAM>(GetDlgItem(sheet.hwnd(), IDOK)));
}

bool sheetOpen(ui::SettingsSheet& sheet)
{
    return sheet.hwnd() != nullptr && IsWindow(sheet.hwnd())
        && PropSheet_GetCurrentPageHwnd(sheet.hwnd()) != nullptr;
}

MessageRecorder::MessageRecorder(ui::SettingsSheet& sheet, int scriptedAnswer) : answer(scriptedAnswer)
{
    sheet.setMessageBoxFunction([this](HWND, UINT style, UINT id, const std::vector<std::wstring>& inserts) {
        messages.push_back(RecordedMessage{id, style, inserts.empty() ? std::wstring() : inserts.front(), inserts});
        return answer;
    });
}

std::wstring windowText(HWND window)
{
    return win::Window(window).text();
}

std::wstring itemText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

void setItemText(HWND dialog, int id, const std::wstring& text)
{
    SetWindowTextW(GetDlgItem(dialog, id), text.c_str());
}

bool isChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

options::ArgumentSet argumentsOf(const std::vector<std::wstring>& args)
{
    return options::ArgumentSet::fromCommandLine(args);
}
