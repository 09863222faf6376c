// Runs a real settings sheet modally and drives it from inside its message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "options/ArgumentSet.h"
#include "support/ScratchFiles.h"
#include "ui/SettingsSheet.h"

// Shows the sheet; script runs once the first-show steps are done. When the script
// leaves the sheet open, it is cancelled.
INT_PTR runSheet(ui::SettingsSheet& sheet, const std::function<void(ui::SettingsSheet&)>& script);

// Presses OK the way the button does.
void pressOk(ui::SettingsSheet& sheet);
// True while the sheet is open (not ending).
bool sheetOpen(ui::SettingsSheet& sheet);

// A recorded message box of the OK check, answered with a scripted result.
struct RecordedMessage {
    UINT stringId = 0;
    UINT style = 0;
    std::wstring insert; // the first
    std::vector<std::wstring> inserts;
};
class MessageRecorder {
public:
    explicit MessageRecorder(ui::SettingsSheet& sheet, int answer = IDOK);
    std::vector<RecordedMessage> messages;
    int answer;
};

std::wstring windowText(HWND window);
std::wstring itemText(HWND dialog, int id);
void setItemText(HWND dialog, int id, const std::wstring& text);
bool isChecked(HWND dialog, int id);
// Clicks a check box or button as the user does (BM_CLICK).
void click(HWND dialog, int id);

using testing_support::ScratchFolder;

options::ArgumentSet argumentsOf(const std::vector<std::wstring>& args);
