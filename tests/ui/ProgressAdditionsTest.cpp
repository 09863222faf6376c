// What the progress window adds to the run's display, through the real window with the
// stand-in converter: the time line, Pause, Background, the filter and the copied rows,
// the choice for the end, the window remembered, a change of DPI, the tab order and the
// mnemonics.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "ProgressHarness.h"
#include "settings/WindowSettings.h"

using namespace progress_test;

namespace {

class RecordingPower : public win::SystemPower {
public:
    bool perform(win::PowerAction action, DWORD& error) override
    {
        actions.push_back(action);
        error = 0;
        return true;
    }
    std::vector<win::PowerAction> actions;
};

std::wstring clipboardText()
{
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

void command(HWND dialog, int id, int code = BN_CLICKED)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void choose(HWND dialog, int comboId, int index)
{
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    command(dialog, comboId, CBN_SELCHANGE);
}

int columnWidth(HWND dialog, int column)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_MESSAGES, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// The countdown window over the progress window (null while there is none).
HWND countdownWindow(HWND dialog)
{
    HWND found = nullptr;
    EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), [](HWND window, LPARAM out) {
        if (GetDlgItem(window, IDC_COUNTDOWN_TEXT) != nullptr) {
            *reinterpret_cast<HWND*>(out) = window;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The letter after "&" in a control's text (0 without one).
wchar_t mnemonicOf(const std::wstring& text)
{
    const size_t at = text.find(L'&');
    return at != std::wstring::npos && at + 1 < text.size() ? static_cast<wchar_t>(towupper(text[at + 1])) : 0;
}

// Every control's mnemonic, each expected once; and the controls in tab order.
std::set<wchar_t> uniqueMnemonics(HWND dialog, std::vector<int>* tabOrder = nullptr)
{
    std::set<wchar_t> mnemonics;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        if (const wchar_t letter = mnemonicOf(text)) {
            EXPECT_TRUE(mnemonics.insert(letter).second) << "mnemonic " << static_cast<char>(letter) << " twice";
        }
        if (tabOrder != nullptr && (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0) {
            tabOrder->push_back(GetDlgCtrlID(child));
        }
    }
    return mnemonics;
}

constexpr char kRowsScript[] =
    "line Processing pages 1 through 2.\n"
    "line Page 1\n"
    "line Info first\n"
    "line    **** Warning: careful\n"
    "line Error: broken\n"
    "line Page 2\n"
    "line Info last\n"
    "exit 0\n";

} // namespace

TEST(ProgressTime, TheTimeLeftFollowsThePagesAndStandsStillWhilePaused)
{
    ScopedReport report;
    DialogHarness harness;
    harness.run("pages 40 100\nexit 0\n", [&](HWND dialog) {
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TIME).rfind(L"Elapsed: 0:0", 0), 0u);
        EXPECT_EQ(focusOf(dialog), GetDlgItem(dialog, IDCANCEL)); // the stop button first, as ever
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_TIME).find(L"Time left:") != std::wstring::npos; }));
        EXPECT_GE(report.count("page "), 3); // not before two pages are done

        command(dialog, IDC_PROGRESS_PAUSE);
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_PAUSE), L"&Resume");
        EXPECT_NE(controlText(dialog, IDC_PROGRESS_TIME).find(L"Paused"), std::wstring::npos);
        const int pagesAtPause = report.count("page ");
        Sleep(700);
        EXPECT_EQ(report.count("page "), pagesAtPause); // the converter writes nothing
        command(dialog, IDC_PROGRESS_PAUSE);
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_PAUSE), L"&Pause");
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }, 30000));
        EXPECT_FALSE(controlEnabled(dialog, IDC_PROGRESS_PAUSE));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TIME).find(L"Time left"), std::wstring::npos);
        pressButton2(dialog);
    });
    EXPECT_EQ(report.count("page "), 40);
}

TEST(ProgressTime, CancelWhilePausedResumesAndStopsAsCancelDoes)
{
    DialogHarness harness;
    harness.run("pages 100 100\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L"page 2/") != std::wstring::npos; }));
        command(dialog, IDC_PROGRESS_PAUSE);
        pressButton2(dialog);
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_PROCESS_CANCELED));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_PAUSE), L"&Pause");
        pressButton2(dialog);
    });
    EXPECT_EQ(harness.result.exitCode, converter::kExitCanceled);
}

TEST(ProgressBackground, TheChoiceIsRememberedAndTakenByTheNextRun)
{
    ScratchSettingsKey key; // one key for both runs
    DialogHarness harness(false);
    harness.run("pages 3 100\nexit 0\n", [&](HWND dialog) {
        EXPECT_FALSE(IsDlgButtonChecked(dialog, IDC_PROGRESS_BACKGROUND));
        CheckDlgButton(dialog, IDC_PROGRESS_BACKGROUND, BST_CHECKED);
        command(dialog, IDC_PROGRESS_BACKGROUND);
        EXPECT_TRUE(harness.conversion.background());
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        pressButton2(dialog);
    });
    EXPECT_TRUE(settings::readConvertInBackground());
    DialogHarness again(false);
    again.run("exit 0\n", [&](HWND dialog) {
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_PROGRESS_BACKGROUND));
        EXPECT_TRUE(again.conversion.background());
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        pressButton2(dialog);
    });
}

TEST(ProgressMessages, TheFilterShowsFewerRowsWhileTheCountersCountAll)
{
    DialogHarness harness;
    harness.run(kRowsScript, [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const int all = rowCount(dialog);
        ASSERT_GE(all, 5);
        choose(dialog, IDC_PROGRESS_FILTER, 1);
        EXPECT_EQ(columnTexts(dialog, 0), (std::vector<std::wstring>{L"Warning", L"Error"}));
        choose(dialog, IDC_PROGRESS_FILTER, 2);
        EXPECT_EQ(columnTexts(dialog, 2), (std::vector<std::wstring>{L"Error: broken"}));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_WARNING_COUNT), L"1 Warnings");
        clickColumn(dialog, 2); // sorting keeps the filter
        EXPECT_EQ(rowCount(dialog), 1);
        choose(dialog, IDC_PROGRESS_FILTER, 0);
        EXPECT_EQ(rowCount(dialog), all);
        pressButton2(dialog);
    });
}

TEST(ProgressMessages, CopiedRowsAreTabSeparatedAsShown)
{
    DialogHarness harness;
    harness.run(kRowsScript, [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        choose(dialog, IDC_PROGRESS_FILTER, 1);
        command(dialog, IDM_MESSAGES_SELECT_ALL);
        command(dialog, IDM_MESSAGES_COPY);
        EXPECT_EQ(clipboardText(), L"Warning\t1\tWarning: careful\r\nError\t2\tError: broken\r\n");
        pressButton2(dialog);
    });
}

TEST(ProgressWhenDone, ShutdownAfterSuccessComesThroughTheCountdownToTheSystem)
{
    RecordingPower power;
    DialogHarness harness;
    harness.power = &power;
    harness.run("pages 3 200\nexit 0\n", [&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PROGRESS_WHEN_DONE, CB_GETCURSEL, 0, 0), 0); // nothing, at every start
        choose(dialog, IDC_PROGRESS_WHEN_DONE, 4); // shut down
        HWND countdown = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            countdown = countdownWindow(dialog);
            return countdown != nullptr;
        }));
        wchar_t text[200] = {};
        GetDlgItemTextW(countdown, IDC_COUNTDOWN_TEXT, text, 200);
        EXPECT_EQ(std::wstring(text).rfind(L"The computer will shut down in ", 0), 0u);
        PostMessageW(countdown, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); // the user cancels
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(countdown); }));
        EXPECT_TRUE(IsWindow(dialog));
        pressButton2(dialog);
    });
    EXPECT_TRUE(power.actions.empty());
}

TEST(ProgressWhenDone, AFailedRunLeavesTheComputerAloneAndCloseEndsTheWindow)
{
    RecordingPower power;
    DialogHarness failed;
    failed.power = &power;
    failed.run("pages 2 300\nexit 3\n", [&](HWND dialog) {
        choose(dialog, IDC_PROGRESS_WHEN_DONE, 4); // shut down, not after a failure
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        Sleep(300);
        EXPECT_EQ(countdownWindow(dialog), nullptr);
        pressButton2(dialog);
    });
    EXPECT_TRUE(power.actions.empty());
    DialogHarness closing;
    closing.run("pages 2 300\nexit 0\n", [&](HWND dialog) {
        choose(dialog, IDC_PROGRESS_WHEN_DONE, 1);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); })); // closed without OK
    });
    EXPECT_EQ(closing.result.end, converter::RunEnd::Closed);
    EXPECT_EQ(closing.result.exitCode, 0u);
}

TEST(ProgressWindow, PlaceAndColumnsComeBackAndAPlaceOffEveryMonitorIsNotUsed)
{
    std::optional<settings::WindowPlace> saved;
    std::optional<settings::ListColumns> savedColumns;
    RECT placed = {};
    {
        DialogHarness first;
        first.run("exit 0\n", [&](HWND dialog) {
            ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
            RECT rect = windowRect(dialog);
            OffsetRect(&rect, 40 - rect.left, 30 - rect.top);
            rect.right += 80;
            rect.bottom += 40;
            SetWindowPos(dialog, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, SWP_NOZORDER);
            SendDlgItemMessageW(dialog, IDC_PROGRESS_MESSAGES, LVM_SETCOLUMNWIDTH, 2, 300);
            placed = windowRect(dialog);
            pressButton2(dialog);
        });
        saved = settings::readWindowPlace(L"ProgressWindow");
        savedColumns = settings::readListColumns(L"ProgressWindow", 3);
    }
    ASSERT_TRUE(saved);
    ASSERT_TRUE(savedColumns);
    EXPECT_EQ(savedColumns->widths[2], 300);
    {
        DialogHarness second; // a fresh key holding only what the first window left
        settings::writeWindowPlace(L"ProgressWindow", *saved);
        settings::writeListColumns(L"ProgressWindow", *savedColumns);
        second.run("exit 0\n", [&](HWND dialog) {
            EXPECT_TRUE(waitUntil([&] { return windowRect(dialog).left == placed.left; }));
            EXPECT_EQ(windowRect(dialog).top, placed.top);
            EXPECT_EQ(windowRect(dialog).bottom - windowRect(dialog).top, placed.bottom - placed.top);
            EXPECT_EQ(columnWidth(dialog, 2), 300);
            pressButton2(dialog);
        });
    }
    DialogHarness lost;
    settings::writeWindowPlace(L"ProgressWindow", {RECT{-30000, -30000, -29400, -29600}, false, 96});
    lost.run("exit 0\n", [&](HWND dialog) {
        EXPECT_GT(windowRect(dialog).left, -1000); // centred, as the template says
        pressButton2(dialog);
    });
}

TEST(ProgressWindow, AChangeOfDpiScalesTheColumnsTheTypeImagesAndTheIcons)
{
    DialogHarness harness;
    harness.run("exit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const int pageWidth = columnWidth(dialog, 1);
        RECT suggested = windowRect(dialog);
        suggested.right = suggested.left + (suggested.right - suggested.left) * 2;
        suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 2;
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(columnWidth(dialog, 1), pageWidth * 2);
        const auto images = reinterpret_cast<HIMAGELIST>(
            SendDlgItemMessageW(dialog, IDC_PROGRESS_MESSAGES, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        int cx = 0;
        int cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
        EXPECT_EQ(cx, 32);
        ICONINFO info = {};
        const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, IDC_PROGRESS_WARNING_ICON, STM_GETICON, 0, 0));
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        EXPECT_EQ(windowRect(dialog).right - windowRect(dialog).left, suggested.right - suggested.left);
        pressButton2(dialog);
    });
}

namespace {

// Every header fits its column ("ページ" was cut to "ペー...").
void expectEveryHeaderFits()
{
    DialogHarness harness;
    harness.run("exit 0\n", [&](HWND dialog) {
        const HWND list = GetDlgItem(dialog, IDC_PROGRESS_MESSAGES);
        const int headerMargins = 2 * 3 * GetSystemMetrics(SM_CXEDGE);
        for (int column = 0; column < 3; ++column) {
            wchar_t header[64] = {};
            LVCOLUMNW item = {};
            item.mask = LVCF_TEXT;
            item.pszText = header;
            item.cchTextMax = static_cast<int>(std::size(header));
            ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)));
            const auto text = static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(header)));
            EXPECT_GE(columnWidth(dialog, column), text + headerMargins) << column;
        }
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        pressButton2(dialog);
    });
}

} // namespace

TEST(ProgressWindow, EveryColumnIsAsWideAsItsHeader)
{
    expectEveryHeaderFits();
}

TEST(ProgressWindowJapanese, EveryColumnIsAsWideAsItsHeaderInJapaneseToo)
{
    expectEveryHeaderFits();
}

TEST(ProgressWindow, TabOrderFollowsTheLayoutAndMnemonicsAreUnique)
{
    DialogHarness harness;
    harness.run("exit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        std::vector<int> tabOrder;
        EXPECT_GE(uniqueMnemonics(dialog, &tabOrder).size(), 6u);
        const std::vector<int> expected = {IDC_PROGRESS_PAUSE, IDC_PROGRESS_BACKGROUND, IDCANCEL, IDC_PROGRESS_DETAILS,
            IDC_PROGRESS_MESSAGES, IDC_PROGRESS_FILTER, IDC_PROGRESS_WHEN_DONE, IDC_PROGRESS_OPEN_LOG};
        EXPECT_EQ(tabOrder, expected);
        pressButton2(dialog);
    });
}

TEST(ProgressWindowJapanese, MnemonicsAreUniqueInJapaneseToo)
{
    DialogHarness harness;
    harness.run("exit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_GE(uniqueMnemonics(dialog).size(), 6u);
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_PAUSE), L"一時停止(&P)");
        pressButton2(dialog);
    });
}

namespace {

// The name screen readers get for a control, through the accessibility interface.
std::wstring accessibleName(HWND control)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED); // the driver's thread, once is enough
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
            reinterpret_cast<void**>(&accessible)))) {
        return L"(none)";
    }
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text;
    if (accessible->get_accName(self, &name) == S_OK && name != nullptr) {
        text = name;
        SysFreeString(name);
    }
    accessible->Release();
    return text;
}

} // namespace

TEST(ProgressAccessibility, TheListsTheButtonsAndTheCountersHaveNames)
{
    DialogHarness harness;
    harness.run("line    **** Warning: careful\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(accessibleName(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES)), L"Messages");
        EXPECT_EQ(accessibleName(GetDlgItem(dialog, IDC_PROGRESS_PAUSE)), L"Pause");
        EXPECT_EQ(accessibleName(GetDlgItem(dialog, IDC_PROGRESS_WARNING_COUNT)), L"1 Warnings");
        const std::wstring details = accessibleName(GetDlgItem(dialog, IDC_PROGRESS_DETAILS));
        EXPECT_EQ(details.rfind(L"Details", 0), 0u) << std::string(details.begin(), details.end());
        pressButton2(dialog);
    });
}
