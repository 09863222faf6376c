#include "E2eSupport.h"

#include <commctrl.h>
#include <shellapi.h>

#include "base/Text.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Veltrana\\Korvello\\GUI";
constexpr int kProgressStatusId = 1046;

std::wstring className(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool isDialog(HWND window)
{
    return IsWindowVisible(window) && className(window) == L"#32770";
}

HWND tabControlOf(HWND window)
{
    return FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr);
}

bool acceptSheet(HWND window)
{
    return isDialog(window) && tabControlOf(window) != nullptr;
}

bool acceptMessageBox(HWND window)
{
    return isDialog(window) && tabControlOf(window) == nullptr && GetDlgItem(window, kProgressStatusId) == nullptr
        && GetDlgItem(window, IDC_SUMMARY_LIST) == nullptr && GetDlgItem(window, IDC_QUEUE_DOCUMENT) == nullptr;
}

bool acceptSummary(HWND window)
{
    return isDialog(window) && GetDlgItem(window, IDC_SUMMARY_LIST) != nullptr;
}

bool acceptQueueProgress(HWND window)
{
    return isDialog(window) && GetDlgItem(window, IDC_QUEUE_DOCUMENT) != nullptr;
}

bool acceptFinishedProgress(HWND window)
{
    return isDialog(window) && GetDlgItem(window, kProgressStatusId) != nullptr
        && textOf(GetDlgItem(window, IDCANCEL)) == L"OK";
}

struct Search {
    DWORD processId = 0;
    bool (*accept)(HWND) = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK searchWindows(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && search->accept(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool acceptAnyVisible(HWND window)
{
    return IsWindowVisible(window) != FALSE;
}

} // namespace

std::wstring windowsPathOf(const char* linuxPath)
{
    std::wstring path = L"Z:" + base::fromUtf8(linuxPath);
    for (auto& character : path) {
        if (character == L'/') {
            character = L'\\';
        }
    }
    return path;
}

Installation::Installation(const char* converterPath)
{
    CopyFileW(windowsPathOf(KORVELLO_GUI_EXE).c_str(), gui().c_str(), FALSE);
    CopyFileW(windowsPathOf(converterPath).c_str(), path(L"korvello.exe").c_str(), FALSE);
    CopyFileW(windowsPathOf(KORVELLO_LANGMAP).c_str(), path(L"langmap.txt").c_str(), FALSE);
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", path(L"report.txt").c_str());
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_SCRIPT", nullptr);
}

Installation::~Installation()
{
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", nullptr);
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_SCRIPT", nullptr);
}

std::wstring Installation::writeFile(const std::wstring& name, const std::string& content) const
{
    const std::wstring target = path(name);
    const win::UniqueHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (file) {
        DWORD written = 0;
        WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }
    return target;
}

bool Installation::exists(const std::wstring& name) const
{
    return GetFileAttributesW(path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Installation::readFile(const std::wstring& name) const
{
    std::string content;
    const win::UniqueHandle file(CreateFileW(path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return content;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

void Installation::useScript(const std::string& script) const
{
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_SCRIPT", writeFile(L"script.txt", script).c_str());
}

CleanSettingsKey::CleanSettingsKey()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

CleanSettingsKey::~CleanSettingsKey()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

void CleanSettingsKey::setDword(const wchar_t* name, DWORD value) const
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof(value));
}

void CleanSettingsKey::setHistory(const std::wstring& newest) const
{
    const std::wstring data = newest + L'\0' + L'\0';
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"ParamHistory", REG_MULTI_SZ, data.c_str(),
        static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

std::optional<DWORD> CleanSettingsKey::dword(const wchar_t* name) const
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::wstring> CleanSettingsKey::history() const
{
    std::vector<std::wstring> entries;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ParamHistory", RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size)
        != ERROR_SUCCESS) {
        return entries;
    }
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ParamHistory", RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
            &size)
        != ERROR_SUCCESS) {
        return entries;
    }
    for (const wchar_t* entry = data.data(); *entry != L'\0'; entry += wcslen(entry) + 1) {
        entries.emplace_back(entry);
    }
    return entries;
}

GuiProcess::GuiProcess(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const auto& argument : arguments) {
        commandLine += L" \"" + argument + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
            &information)) {
        win::UniqueHandle thread(information.hThread);
        process_.reset(information.hProcess);
        processId_ = information.dwProcessId;
    }
}

GuiProcess::~GuiProcess()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

HWND GuiProcess::findWindow(bool (*accept)(HWND)) const
{
    Search search;
    search.processId = processId_;
    search.accept = accept;
    EnumWindows(&searchWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND GuiProcess::waitFor(bool (*accept)(HWND), DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    while (process_) {
        if (const HWND found = findWindow(accept)) {
            return found;
        }
        if (GetTickCount() - start >= timeoutMs || WaitForSingleObject(process_.get(), 20) == WAIT_OBJECT_0) {
            return findWindow(accept);
        }
    }
    return nullptr;
}

HWND GuiProcess::waitForSheet(DWORD timeoutMs) const
{
    return waitFor(&acceptSheet, timeoutMs);
}

HWND GuiProcess::waitForMessageBox(DWORD timeoutMs) const
{
    return waitFor(&acceptMessageBox, timeoutMs);
}

HWND GuiProcess::waitForFinishedProgress(DWORD timeoutMs) const
{
    return waitFor(&acceptFinishedProgress, timeoutMs);
}

HWND GuiProcess::waitForSummary(DWORD timeoutMs) const
{
    return waitFor(&acceptSummary, timeoutMs);
}

HWND GuiProcess::waitForQueueProgress(DWORD timeoutMs) const
{
    return waitFor(&acceptQueueProgress, timeoutMs);
}

void GuiProcess::terminate()
{
    if (process_) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 10000);
    }
}

std::optional<DWORD> GuiProcess::waitForExit(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool GuiProcess::showsNoWindow(DWORD timeMs) const
{
    return waitFor(&acceptAnyVisible, timeMs) == nullptr;
}

HWND sheetPage(HWND sheet, int index)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

std::wstring textOf(HWND window)
{
    wchar_t buffer[2048] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

std::vector<std::vector<std::wstring>> listRowsOf(HWND list, int columns)
{
    std::vector<std::vector<std::wstring>> rows;
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    const win::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) {
        return rows;
    }
    // The list view's texts are fetched through memory allocated in that process.
    constexpr size_t kTextChars = 1024;
    auto* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + kTextChars * 2,
        MEM_COMMIT, PAGE_READWRITE));
    auto cell = [&](int row, int column) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        WriteProcessMemory(process.get(), remote, &item, sizeof(item), nullptr);
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        std::wstring text(kTextChars, L'\0');
        ReadProcessMemory(process.get(), remote + sizeof(LVITEMW), text.data(), kTextChars * 2, nullptr);
        text.resize(wcslen(text.c_str()));
        return text;
    };
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < columns; ++column) {
            cells.push_back(cell(row, column));
        }
        rows.push_back(std::move(cells));
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return rows;
}

std::wstring itemTextOf(HWND dialog, int id)
{
    return textOf(GetDlgItem(dialog, id));
}

void setItemTextOf(HWND dialog, int id, const std::wstring& text)
{
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
        SMTO_ABORTIFHUNG, 5000, nullptr);
}

bool checkedOf(HWND dialog, int id)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return result == BST_CHECKED;
}

void pressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring messageBoxText(HWND box)
{
    std::wstring longest;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (std::wstring(name) == L"Static") {
            const std::wstring text = textOf(child);
            if (text.size() > longest.size()) {
                longest = text;
            }
        }
    }
    return longest;
}
