// Runs korvello-gui.exe from a scratch installation (the program, the stand-in
// converter as korvello.exe and the rule file) and finds and presses its windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/ScratchFiles.h"
#include "win/Handle.h"

// A scratch folder with korvello-gui.exe, korvello.exe (the stand-in, or the converter
// given) and langmap.txt.
class Installation {
public:
    explicit Installation(const char* converterPath = KORVELLO_STANDIN_EXE);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::wstring& folder() const { return folder_.path(); }
    std::wstring path(const std::wstring& name) const { return folder_.file(name); }
    std::wstring gui() const { return path(L"korvello-gui.exe"); }
    // Writes a UTF-8 file into the folder and returns its path.
    std::wstring writeFile(const std::wstring& name, const std::string& content) const;
    bool exists(const std::wstring& name) const;
    std::string readFile(const std::wstring& name) const;
    // The stand-in converter's script and report (set in the environment the
    // program inherits).
    void useScript(const std::string& script) const;

private:
    testing_support::ScratchFolder folder_{L"korvello-e2e"};
};

// The settings key of the program, cleaned before and after a test.
class CleanSettingsKey {
public:
    CleanSettingsKey();
    ~CleanSettingsKey();
    CleanSettingsKey(const CleanSettingsKey&) = delete;
    CleanSettingsKey& operator=(const CleanSettingsKey&) = delete;
    void setDword(const wchar_t* name, DWORD value) const;
    // A history of one parameter set: a sheet started without options applies it.
    void setHistory(const std::wstring& newest) const;
    std::optional<DWORD> dword(const wchar_t* name) const;
    std::vector<std::wstring> history() const;
};

class GuiProcess {
public:
    GuiProcess(const std::wstring& program, const std::vector<std::wstring>& arguments);
    ~GuiProcess();
    GuiProcess(const GuiProcess&) = delete;
    GuiProcess& operator=(const GuiProcess&) = delete;

    bool started() const { return process_.valid(); }
    DWORD processId() const { return GetProcessId(process_.get()); }
    // The settings sheet (a visible dialog with a tab control); nullptr after timeout.
    HWND waitForSheet(DWORD timeoutMs = 30000) const;
    // A message box: a visible dialog without tab control and without progress bar.
    HWND waitForMessageBox(DWORD timeoutMs = 20000) const;
    // The progress dialog once its run has ended (its button reads "OK").
    HWND waitForFinishedProgress(DWORD timeoutMs = 60000) const;
    // The summary at the end of a queue, and the progress window of a queue.
    HWND waitForSummary(DWORD timeoutMs = 120000) const;
    HWND waitForQueueProgress(DWORD timeoutMs = 20000) const;
    // Ends the process by force and waits until it has ended.
    void terminate();
    // Waits for the process to end; nullopt on timeout (then it is terminated).
    std::optional<DWORD> waitForExit(DWORD timeoutMs = 30000);
    // True when no visible window of the process appeared within the time.
    bool showsNoWindow(DWORD timeMs) const;

private:
    HWND findWindow(bool (*accept)(HWND)) const;
    HWND waitFor(bool (*accept)(HWND), DWORD timeoutMs) const;

    win::UniqueHandle process_;
    DWORD processId_ = 0;
};

// Page hwnd of a sheet by index (PSM_INDEXTOHWND).
HWND sheetPage(HWND sheet, int index);
std::wstring textOf(HWND window);
std::wstring itemTextOf(HWND dialog, int id);
// The texts of a list view of another process, row by row, of the first columns.
std::vector<std::vector<std::wstring>> listRowsOf(HWND list, int columns);
void setItemTextOf(HWND dialog, int id, const std::wstring& text);
bool checkedOf(HWND dialog, int id);
// Posts a button click (WM_COMMAND with BN_CLICKED) to the button's parent.
void pressButton(HWND dialog, int id);
// The text of a message box (its static control).
std::wstring messageBoxText(HWND box);
// Converts a path of the Linux build tree into the Windows path Wine maps it to.
std::wstring windowsPathOf(const char* linuxPath);
