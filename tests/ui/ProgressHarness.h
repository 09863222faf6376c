// The progress dialog's test harness: the dialog runs modally on the test's thread while
// a driver thread reads its controls and presses its buttons, as a user would; helpers
// that read its controls.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/StandInRun.h"
#include "support/RecordingTaskbar.h"
#include "support/DialogDriving.h"
#include "settings/TestKey.h"
#include "converter/ConversionRun.h"
#include "ui/ProgressDialog.h"
#include "res/resource.h"
#include "base/StringTable.h"

namespace progress_test {


inline std::wstring controlText(HWND dialog, int id)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(GetDlgItem(dialog, id), buffer, 1024);
    return buffer;
}

inline bool controlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline bool controlVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

inline RECT windowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

inline RECT controlRect(HWND dialog, int id)
{
    RECT rect = windowRect(GetDlgItem(dialog, id));
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline int rowCount(HWND dialog)
{
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES), LVM_GETITEMCOUNT, 0, 0));
}

inline std::wstring cellText(HWND dialog, int row, int column)
{
    return testing_support::listCellText(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES), row, column);
}

inline std::vector<std::wstring> columnTexts(HWND dialog, int column)
{
    std::vector<std::wstring> texts;
    const int count = rowCount(dialog);
    for (int row = 0; row < count; ++row) {
        texts.push_back(cellText(dialog, row, column));
    }
    return texts;
}

inline int rowImage(HWND dialog, int row)
{
    LVITEMW entry = {};
    entry.mask = LVIF_IMAGE;
    entry.iItem = row;
    SendMessageW(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    return entry.iImage;
}

inline bool runFinished(HWND dialog)
{
    return controlText(dialog, IDCANCEL) == base::loadString(IDS_OK) && controlEnabled(dialog, IDCANCEL);
}

inline void pressButton2(HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

inline void clickColumn(HWND dialog, int column) { testing_support::clickListColumn(dialog, IDC_PROGRESS_MESSAGES, column); }

inline HWND focusOf(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

// One run of the real dialog with the stand-in; the driver gets the dialog's window.
class DialogHarness {
public:
    // ownSettingsKey: the window's remembered values start empty in a key of the
    // harness's own; false leaves the key to the test.
    explicit DialogHarness(bool ownSettingsKey = true)
        : title_(L"progress test " + uniqueSuffix() + L" - Korvello Converter")
    {
        if (ownSettingsKey) {
            settingsKey.emplace();
        }
    }

    void useFakeClock()
    {
        conversion.setTickSource([this] { return clock.load(); });
        fakeClock_ = true;
    }

    converter::RunEnd run(const std::string& script, const std::function<void(HWND)>& driver)
    {
        const std::wstring eventName = uniqueKillEventName();
        return runCommand(standInCommandLine(eventName, writeScript(script), temporaryDirectory() + L"dialog_out.djvu"),
            eventName, driver);
    }

    converter::RunEnd runCommand(const std::wstring& commandLine, const std::wstring& eventName,
        const std::function<void(HWND)>& driver)
    {
        std::atomic<bool> done{false};
        std::thread driverThread([&] {
            HWND found = nullptr;
            waitUntil([&] {
                // Visible: its initialisation is over and every control is in place.
                found = FindWindowW(L"#32770", title_.c_str());
                return (found != nullptr && IsWindowVisible(found)) || done.load();
            });
            if (found != nullptr && !done.load()) {
                window = found;
                driver(found);
            }
            // Whatever the driver did, the dialog must end: press its button until it does.
            while (!done.load()) {
                if (fakeClock_) {
                    clock += 20000;
                }
                if (found != nullptr && IsWindow(found)) {
                    pressButton2(found);
                }
                Sleep(50);
            }
        });
        ui::ProgressDialog dialog(title_, base::loadString(IDS_STARTING_CONVERSION), logPath);
        if (taskbarFactory) {
            dialog.setTaskbarFactory(taskbarFactory);
        }
        dialog.setSystemPower(power);
        converter::RunSetup setup;
        setup.commandLine = commandLine;
        setup.killEventName = eventName;
        setup.logPath = logPath;
        setup.logFile = logFile;
        setup.logOpenError = logOpenError;
        result = conversion.run(setup, dialog);
        done = true;
        driverThread.join();
        return result.end;
    }

    // A fresh log file for the run; the test closes it.
    bool openLog()
    {
        logPath = temporaryDirectory() + L"progress_" + uniqueSuffix() + L".log";
        logFile = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
            FILE_ATTRIBUTE_NORMAL, nullptr);
        return logFile != INVALID_HANDLE_VALUE;
    }

    std::optional<ScratchSettingsKey> settingsKey;
    converter::ConversionRun conversion;
    ui::ProgressDialog::TaskbarFactory taskbarFactory;
    win::SystemPower* power = nullptr; // null: the machine's
    std::atomic<DWORD> clock{100000};
    std::wstring logPath;
    HANDLE logFile = nullptr;
    DWORD logOpenError = 0;
    converter::RunResult result;
    HWND window = nullptr;

private:
    std::wstring title_;
    bool fakeClock_ = false;
};

} // namespace progress_test
