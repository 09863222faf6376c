// The History popup and its commands in a real sheet, and the history across sheets.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/DefaultOptions.h"
#include "SheetTestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/TestKey.h"
#include "ui/HistoryMenu.h"
#include "ui/SettingsSheet.h"
#include "res/resource.h"
#include "win/Handle.h"

namespace {

void storeHistory(const ScratchSettingsKey& scratch, const std::vector<std::wstring>& entries)
{
    std::vector<wchar_t> data;
    for (const auto& entry : entries) {
        data.insert(data.end(), entry.begin(), entry.end());
        data.push_back(0);
    }
    data.push_back(0);
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
}

std::wstring menuText(HMENU menu, int position)
{
    wchar_t buffer[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), buffer, 256, MF_BYPOSITION);
    return buffer;
}

void sendCommand(ui::SettingsSheet& sheet, int id)
{
    SendMessageW(sheet.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

} // namespace

TEST(HistoryPopup, EmptyHistoryHoldsOnlyRevert)
{
    settings::ParameterHistory history;
    const win::UniqueMenu menu(ui::buildHistoryMenu(history));
    ASSERT_NE(nullptr, menu.get());
    ASSERT_EQ(1, GetMenuItemCount(menu.get()));
    EXPECT_EQ(L"&Revert to the default", menuText(menu.get(), 0));
    EXPECT_EQ(static_cast<UINT>(IDM_HISTORY_REVERT), GetMenuItemID(menu.get(), 0));
}

TEST(HistoryPopup, TwelveEntriesGiveSeparatorAndTenNumberedItems)
{
    settings::ParameterHistory history;
    for (int i = 1; i <= 12; ++i) {
        history.add(L"--e=" + std::to_wstring(i));
    }
    const win::UniqueMenu menu(ui::buildHistoryMenu(history));
    ASSERT_EQ(12, GetMenuItemCount(menu.get()));
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR), GetMenuState(menu.get(), 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(L"&1, --e=12", menuText(menu.get(), 2));
    EXPECT_EQ(static_cast<UINT>(IDM_HISTORY_FIRST), GetMenuItemID(menu.get(), 2));
    EXPECT_EQ(L"&0, --e=3", menuText(menu.get(), 11));
    EXPECT_EQ(static_cast<UINT>(IDM_HISTORY_LAST), GetMenuItemID(menu.get(), 11));
}

TEST(HistorySheet, NewestEntryAppliedAtFirstShowWithoutOptions)
{
    ScratchSettingsKey scratch;
    storeHistory(scratch, {L"--nosep", L"--dpi=600 --foo"});
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(2u, shown.history().size());
        EXPECT_EQ(L"600", itemText(shown.basicPage().hwnd(), IDC_BASIC_DPI));
        EXPECT_EQ(L"--foo", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
        // The generated command line shows the applied entry at once.
        EXPECT_NE(std::wstring::npos, itemText(shown.miscPage().hwnd(), IDC_MISC_COMMAND_LINE).find(L"--dpi=600"));
        EXPECT_EQ(L"C:\\in.pdf", itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT));
    });
}

TEST(HistorySheet, AnEntryWithPlainQuotesRecallsTheFolderAndTheNextOption)
{
    // Written with plain quotes: by the escape rules the folder's closing quote would be
    // a literal one and swallow --foo.
    ScratchSettingsKey scratch;
    storeHistory(scratch, {L"--resourcedir=\"C:\\My Fonts\\\" --foo"});
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_TRUE(isChecked(shown.advancedPage().hwnd(), IDC_ADV_RESOURCE_CHECK));
        EXPECT_EQ(L"C:\\My Fonts\\", itemText(shown.advancedPage().hwnd(), IDC_ADV_RESOURCE_DIR));
        EXPECT_EQ(L"--foo", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
    });
}

TEST(HistorySheet, NotAppliedWhenStartedWithAnOption)
{
    ScratchSettingsKey scratch;
    storeHistory(scratch, {L"--dpi=600"});
    auto arguments = argumentsOf({L"--nosep", L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(1u, shown.history().size());
        EXPECT_EQ(L"300", itemText(shown.basicPage().hwnd(), IDC_BASIC_DPI));
        EXPECT_TRUE(isChecked(shown.basicPage().hwnd(), IDC_BASIC_NOSEP));
    });
}

TEST(HistorySheet, MenuCommandsApplyEntriesAndRevert)
{
    ScratchSettingsKey scratch;
    storeHistory(scratch, {L"--dpi=200 --x&y", L"--nosep"});
    auto arguments = argumentsOf({L"C:\\in.pdf", L"C:\\out.djvu"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        const HWND misc = shown.miscPage().hwnd();
        EXPECT_TRUE(isChecked(basic, IDC_BASIC_NOSEP));
        sendCommand(shown, IDM_HISTORY_FIRST + 1);
        EXPECT_FALSE(isChecked(basic, IDC_BASIC_NOSEP));
        EXPECT_EQ(L"200", itemText(basic, IDC_BASIC_DPI));
        EXPECT_EQ(L"--x&y", itemText(misc, IDC_MISC_ADDITIONAL));
        // Beyond the list: nothing happens.
        sendCommand(shown, IDM_HISTORY_FIRST + 2);
        EXPECT_EQ(L"200", itemText(basic, IDC_BASIC_DPI));
        // Revert: every option to its default, additional parameters emptied, files kept.
        sendCommand(shown, IDM_HISTORY_REVERT);
        EXPECT_EQ(L"300", itemText(basic, IDC_BASIC_DPI));
        EXPECT_TRUE(itemText(misc, IDC_MISC_ADDITIONAL).empty());
        EXPECT_EQ(L"C:\\in.pdf", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(L"C:\\out.djvu", itemText(basic, IDC_BASIC_OUTPUT));
    });
    // Menu choices and Cancel leave the stored history unchanged.
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    settings::ParameterHistory history;
    history.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"--dpi=200 --x&y", L"--nosep"}), history.entries());
}

TEST(HistorySheet, ConfirmMovesAnExistingEntryToNewestAndTheNextSheetStartsFromIt)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    const std::wstring defaults(testing_support::kDefaultOptionsText);
    storeHistory(scratch, {defaults + L" ", L"--nosep"});
    auto arguments = argumentsOf({});
    {
        ui::SettingsSheet sheet(arguments);
        MessageRecorder recorder(sheet);
        const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
            shown.basicPage().setInputFile(input);
            sendCommand(shown, IDM_HISTORY_REVERT);
            pressOk(shown);
        });
        ASSERT_EQ(1, result);
        EXPECT_TRUE(recorder.messages.empty());
    }
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    settings::ParameterHistory history;
    history.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"--nosep", defaults + L" "}), history.entries());

    // The next pass: same files, input read-only, starts from the newest entry.
    ASSERT_EQ(2u, arguments.fileArgumentCount());
    ui::SettingsSheet next(arguments);
    runSheet(next, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_EQ(input, itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(folder.file(L"in.djvu"), itemText(basic, IDC_BASIC_OUTPUT));
        EXPECT_NE(0, GetWindowLongW(GetDlgItem(basic, IDC_BASIC_INPUT), GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(isChecked(basic, IDC_BASIC_NOSEP));
        EXPECT_EQ(0, GetWindowLongW(shown.hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    });
}

TEST(HistorySheet, EleventhDistinctSetDropsTheOldest)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    std::vector<std::wstring> entries;
    for (int i = 1; i <= 10; ++i) {
        entries.push_back(L"--e=" + std::to_wstring(i));
    }
    storeHistory(scratch, entries);
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    ASSERT_EQ(1, runSheet(sheet, [&](ui::SettingsSheet& shown) { pressOk(shown); }));
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    settings::ParameterHistory history;
    history.load(store);
    ASSERT_EQ(10u, history.size());
    EXPECT_EQ(L"--e=2", history.entries()[0]);
    // The applied newest entry was --e=10, which stayed among the additional parameters.
    EXPECT_EQ(std::wstring(testing_support::kDefaultOptionsText) + L" --e=10", *history.newest());
}

TEST(HistorySheet, HugeStoredHistoryIsLoadedAndTheSheetStaysUsable)
{
    ScratchSettingsKey scratch;
    std::vector<std::wstring> entries;
    for (int i = 1; i <= 10000; ++i) {
        entries.push_back(L"--e=" + std::to_wstring(i));
    }
    entries.push_back(L"--nosep --e=10001");
    // The newest entry alone is about one megabyte: no command line could hold it, so
    // it is skipped and the sheet shows in its normal time.
    entries.push_back(L"--nosep " + std::wstring(500 * 1024, L'x'));
    storeHistory(scratch, entries);
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(10001u, shown.history().size());
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_TRUE(isChecked(basic, IDC_BASIC_NOSEP));
        EXPECT_EQ(L"--e=10001", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
        sendCommand(shown, IDM_HISTORY_LAST);
        EXPECT_FALSE(isChecked(basic, IDC_BASIC_NOSEP));
        EXPECT_EQ(L"--e=9992", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
        sendCommand(shown, IDM_HISTORY_REVERT);
        EXPECT_TRUE(itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL).empty());
    });
}

TEST(HistorySheet, UnusableStoredValuesGiveAnEmptyHistory)
{
    ScratchSettingsKey scratch;
    const wchar_t odd[] = {L'-', L'-', L'a', 0, 0};
    scratch.setRaw(settings::kParamHistoryValue, REG_SZ, odd, sizeof(odd));
    scratch.setRaw(settings::kLogEnabledValue, REG_SZ, L"0", 4);
    scratch.setRaw(settings::kLogPathValue, REG_DWORD, odd, 4);
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_TRUE(shown.history().empty());
        const HWND misc = shown.miscPage().hwnd();
        EXPECT_TRUE(isChecked(misc, IDC_MISC_LOG_CHECK));
        EXPECT_EQ(settings::defaultLogPath(), itemText(misc, IDC_MISC_LOG_PATH));
        EXPECT_TRUE(itemText(misc, IDC_MISC_ADDITIONAL).empty());
    });
}

namespace {

struct PopupProbe {
    HWND sheet = nullptr;
    HWND button = nullptr;
    int itemCount = -1;
    std::wstring firstHistoryText;
    RECT menuRect = {};
    wchar_t key = 0;
};
PopupProbe* gPopupProbe = nullptr;

BOOL CALLBACK findPopupMenu(HWND window, LPARAM data)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32768" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the popup's own message loop: looks at the menu, then types a key.
void CALLBACK inspectPopup(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &findPopupMenu, reinterpret_cast<LPARAM>(&popup));
    if (popup == nullptr) {
        return; // not up yet
    }
    KillTimer(nullptr, timer);
    PopupProbe& probe = *gPopupProbe;
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    probe.itemCount = GetMenuItemCount(menu);
    probe.firstHistoryText = menuText(menu, 2);
    GetWindowRect(popup, &probe.menuRect);
    PostMessageW(popup, WM_CHAR, probe.key, 0);
    PostMessageW(popup, WM_KEYDOWN, probe.key, 0);
}

} // namespace

TEST(HistorySheet, PopupAtTheButtonTakesTheDigitAsMnemonic)
{
    ScratchSettingsKey scratch;
    storeHistory(scratch, {L"--dpi=200", L"--a&b --nosep"});
    auto arguments = argumentsOf({L"C:\\in.pdf", L"C:\\out.djvu"});
    ui::SettingsSheet sheet(arguments);
    PopupProbe probe;
    probe.key = L'2';
    gPopupProbe = &probe;
    RECT button = {};
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND history = GetDlgItem(shown.hwnd(), IDC_SHEET_HISTORY);
        GetWindowRect(history, &button);
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &inspectPopup);
        SendMessageW(history, BM_CLICK, 0, 0);
        KillTimer(nullptr, timer);
        // The command of the chosen item arrives as a posted message.
        MSG message = {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        EXPECT_EQ(L"200", itemText(shown.basicPage().hwnd(), IDC_BASIC_DPI));
        EXPECT_FALSE(isChecked(shown.basicPage().hwnd(), IDC_BASIC_NOSEP));
    });
    gPopupProbe = nullptr;
    EXPECT_EQ(4, probe.itemCount);
    EXPECT_EQ(L"&1, --a&b --nosep", probe.firstHistoryText);
    EXPECT_EQ(button.left, probe.menuRect.left);
    EXPECT_EQ(button.top, probe.menuRect.top);
}
