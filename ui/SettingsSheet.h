// The settings sheet of one pass of the main loop: the Basic, Advanced and
// Miscellaneous pages, the History button and popup, dropped files, the checks made
// on OK, storing the settings and the history, and the conversion request.
#pragma once

#include <windows.h>
#include <prsht.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "options/ArgumentSet.h"
#include "settings/ParameterHistory.h"
#include "ui/AdvancedPage.h"
#include "ui/BasicPage.h"
#include "ui/MiscPage.h"

namespace ui {

// Where the sheet's top-left corner goes so that its centre meets the reference
// rectangle's centre, kept inside the work area.
POINT centredPosition(const RECT& sheet, const RECT& reference, const RECT& workArea);

class SettingsSheet {
public:
    explicit SettingsSheet(options::ArgumentSet& arguments);
    ~SettingsSheet();
    SettingsSheet(const SettingsSheet&) = delete;
    SettingsSheet& operator=(const SettingsSheet&) = delete;

    // Shows the sheet modally (PropertySheetW). 1: confirmed with OK; anything else:
    // cancelled, closed or failed.
    INT_PTR show(HWND owner);

    // The conversion request of a confirmed sheet.
    const std::wstring& parameterText() const { return parameterText_; }
    const std::wstring& logPath() const { return logPath_; }
    const std::wstring& outputPath() const { return outputPath_; }
    unsigned char openAfterConversion() const { return openAfterConversion_; }
    unsigned char detailsCollapsed() const { return detailsCollapsed_; }

    // The sheet window while it is shown.
    HWND hwnd() const { return hwnd_; }
    BasicPage& basicPage() { return basic_; }
    AdvancedPage& advancedPage() { return advanced_; }
    MiscPage& miscPage() { return misc_; }
    const settings::ParameterHistory& history() const { return history_; }

    // Message boxes of the OK check: (owner, style, string id, insert) -> MessageBoxW
    // result. The default shows them; tests answer them.
    using MessageBoxFunction = std::function<int(HWND, UINT, UINT, const std::wstring&)>;
    void setMessageBoxFunction(MessageBoxFunction function) { messageBox_ = std::move(function); }
    // Called once, from the sheet's message loop, after the first-show steps are done.
    void setShownHandler(std::function<void(SettingsSheet&)> handler) { shownHandler_ = std::move(handler); }

private:
    static int CALLBACK sheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK subclassProc(
        HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    void createAllPages();
    void onFirstShow();
    void centre();
    void setIcons();
    void createHistoryButton();
    void onHistoryCommand(UINT command);
    bool confirm();
    bool validate();
    // Shows the page of the box to fix and puts the focus into it.
    void failAt(int controlId);
    void onDropFiles(HDROP drop);

    options::ArgumentSet& arguments_;
    BasicPage basic_;
    AdvancedPage advanced_;
    MiscPage misc_;
    settings::ParameterHistory history_;
    std::wstring logPath_;
    std::wstring outputPath_;
    std::wstring parameterText_;
    unsigned char openAfterConversion_ = 0;
    // The progress dialog's details pane starts expanded.
    unsigned char detailsCollapsed_ = 0;

    HWND hwnd_ = nullptr;
    HWND historyButton_ = nullptr;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::wstring title_;
    bool firstShowDone_ = false;
    bool confirmed_ = false;
    MessageBoxFunction messageBox_;
    std::function<void(SettingsSheet&)> shownHandler_;
};

} // namespace ui
