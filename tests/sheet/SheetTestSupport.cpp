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
    sheet.setMessageBoxFunction([this](HWND, UINT style, UINT id, const std::wstring& insert) {
        messages.push_back(RecordedMessage{id, style, insert});
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

ScratchFolder::ScratchFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + L"korvello-sheet-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    std::wstring from = path_;
    from.push_back(L'\0'); // double-null-terminated list
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

std::wstring ScratchFolder::createFile(const std::wstring& name) const
{
    const std::wstring path = file(name);
    const win::UniqueHandle handle(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle) {
        DWORD written = 0;
        WriteFile(handle.get(), "%PDF-1.4\n", 9, &written, nullptr);
    }
    return path;
}

options::ArgumentSet argumentsOf(const std::vector<std::wstring>& args)
{
    return options::ArgumentSet::fromCommandLine(args);
}
