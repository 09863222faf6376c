// The settings sheet frame: pages, buttons, icons, centring, drops, the OK check,
// storing and the conversion request.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "support/DefaultOptions.h"
#include "SheetTestSupport.h"
#include "support/DropTarget.h"
#include "settings/SettingsStore.h"
#include "settings/TestKey.h"
#include "queue/FileChecks.h"
#include "ui/SettingsSheet.h"
#include "res/resource.h"
#include "win/Window.h"

using testing_support::dropTargetOf;
using testing_support::makeDrop;

namespace {

constexpr int kApplyButtonId = 0x3021;

std::wstring tabText(HWND sheet, int index)
{
    wchar_t buffer[128] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 128;
    TabCtrl_GetItem(PropSheet_GetTabControl(sheet), index, &item);
    return buffer;
}

// Records which pages exist when the first-show steps begin.
class RecordingSheet : public ui::SettingsSheet {
public:
    using SettingsSheet::SettingsSheet;
    std::vector<HWND> pagesAtFirstShow;

protected:
    void onShown() override
    {
        for (int index = 0; index < 3; ++index) {
            pagesAtFirstShow.push_back(PropSheet_IndexToHwnd(hwnd(), index));
        }
        SettingsSheet::onShown();
    }
};

} // namespace

TEST(SheetFrame, EveryPageExistsInOrderWithItsTitleBeforeTheFirstShow)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    RecordingSheet sheet(arguments);
    bool ran = false;
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        ran = true;
        const HWND hwnd = shown.hwnd();
        EXPECT_EQ((std::vector<HWND>{shown.basicPage().hwnd(), shown.advancedPage().hwnd(), shown.miscPage().hwnd()}),
            sheet.pagesAtFirstShow);
        EXPECT_NE(nullptr, shown.advancedPage().hwnd());
        EXPECT_NE(nullptr, shown.miscPage().hwnd());
        EXPECT_EQ(shown.basicPage().hwnd(), PropSheet_GetCurrentPageHwnd(hwnd));
        // Made, not activated: the generated command line waits for the first activation.
        EXPECT_TRUE(itemText(shown.miscPage().hwnd(), IDC_MISC_COMMAND_LINE).empty());
        EXPECT_EQ(3, TabCtrl_GetItemCount(PropSheet_GetTabControl(hwnd)));
        EXPECT_EQ(L"Basic", tabText(hwnd, 0));
        EXPECT_EQ(L"Advanced", tabText(hwnd, 1));
        EXPECT_EQ(L"Miscellaneous", tabText(hwnd, 2));
        EXPECT_EQ(L"Korvello Converter", windowText(hwnd));
    });
    EXPECT_TRUE(ran);
    EXPECT_NE(1, result);
    EXPECT_TRUE(sheet.converterArguments().empty());
    EXPECT_TRUE(sheet.quotedOutputPath().empty());
}

// No tab clicked: every page's controls show what the page took, and OK hands it over.
TEST(SheetFrame, PagesShowWhatTheyTookWithoutBeingOpened)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    auto arguments = argumentsOf({L"--pdf=screen", L"--fg-colors=12", L"--foo", input});
    ui::SettingsSheet sheet(arguments);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND advanced = shown.advancedPage().hwnd();
        EXPECT_EQ(L"screen", itemText(advanced, IDC_ADV_RENDER_INTENT));
        EXPECT_EQ(L"12", itemText(advanced, IDC_ADV_FG_COLORS));
        EXPECT_EQ(L"--foo", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
        EXPECT_EQ(settings::defaultLogPath(), itemText(shown.miscPage().hwnd(), IDC_MISC_LOG_PATH));
        pressOk(shown);
    });
    EXPECT_EQ(1, result);
    const std::wstring& request = sheet.converterArguments();
    EXPECT_NE(std::wstring::npos, request.find(L"--pdf=screen --fg-colors=12")) << request;
    EXPECT_NE(std::wstring::npos, request.find(L" --foo ")) << request;
    EXPECT_EQ(settings::defaultLogPath(), sheet.logPath());
}

TEST(SheetFrame, ButtonsIconsAndStyle)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND hwnd = shown.hwnd();
        const HWND apply = GetDlgItem(hwnd, kApplyButtonId);
        EXPECT_TRUE(apply == nullptr || !IsWindowVisible(apply));
        EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
        EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_STYLE) & DS_CONTEXTHELP);
        EXPECT_NE(0, SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
        EXPECT_NE(0, SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));

        const HWND history = GetDlgItem(hwnd, IDC_SHEET_HISTORY);
        ASSERT_NE(nullptr, history);
        EXPECT_TRUE(IsWindowVisible(history));
        EXPECT_EQ(L"&History", windowText(history));
        const RECT ok = win::Window(GetDlgItem(hwnd, IDOK)).rectInParent();
        const RECT button = win::Window(history).rectInParent();
        EXPECT_EQ(7, button.left);
        EXPECT_EQ(ok.top, button.top);
        EXPECT_EQ(ok.right - ok.left, button.right - button.left);
        EXPECT_EQ(ok.bottom - ok.top, button.bottom - button.top);
        EXPECT_EQ(SendMessageW(hwnd, WM_GETFONT, 0, 0), SendMessageW(history, WM_GETFONT, 0, 0));
    });
}

TEST(SheetFrame, CentredOnTheWorkAreaWithoutOwner)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        RECT work = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        RECT rect = {};
        GetWindowRect(shown.hwnd(), &rect);
        EXPECT_EQ((work.left + work.right) / 2 - (rect.right - rect.left) / 2, rect.left);
        EXPECT_EQ((work.top + work.bottom) / 2 - (rect.bottom - rect.top) / 2, rect.top);
    });
}

TEST(SheetCentring, PositionIsClampedToTheWorkArea)
{
    const RECT work = {0, 0, 1000, 800};
    const RECT sheet = {0, 0, 400, 300};
    POINT p = ui::centredPosition(sheet, work, work);
    EXPECT_EQ(300, p.x);
    EXPECT_EQ(250, p.y);
    // An owner near the top-left corner: clamped to the work area's edges.
    p = ui::centredPosition(sheet, RECT{-100, -50, 100, 50}, work);
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);
    // Near the bottom-right corner: moved back to end at the edges.
    p = ui::centredPosition(sheet, RECT{900, 700, 1100, 900}, work);
    EXPECT_EQ(600, p.x);
    EXPECT_EQ(500, p.y);
    // Odd sizes use integer halves.
    p = ui::centredPosition(RECT{0, 0, 401, 301}, RECT{0, 0, 1001, 801}, work);
    EXPECT_EQ(500 - 200, p.x);
    EXPECT_EQ(400 - 150, p.y);
}

// Drops reach the sheet wherever they land: on a page, a tab, a button or the frame.
TEST(SheetDrops, DroppedFileFillsInputAndDerivedOutputSeveralMakeASet)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND hwnd = shown.hwnd();
        const HWND basic = shown.basicPage().hwnd();
        for (const HWND where : {PropSheet_GetTabControl(hwnd), GetDlgItem(hwnd, IDOK),
                 GetDlgItem(hwnd, IDC_SHEET_HISTORY), GetDlgItem(basic, IDC_BASIC_DPI), shown.miscPage().hwnd()}) {
            EXPECT_EQ(hwnd, dropTargetOf(where));
        }
        auto drop = [&](const HWND where, const std::vector<std::wstring>& paths) {
            SendMessageW(dropTargetOf(where), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
        };
        drop(PropSheet_GetTabControl(hwnd), {L"C:\\y\\doc.pdf"});
        EXPECT_EQ(L"C:\\y\\doc.pdf", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(L"C:\\y\\doc.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        // A non-empty output box is left alone.
        drop(GetDlgItem(hwnd, IDOK), {L"C:\\z\\next.ps"});
        EXPECT_EQ(L"C:\\z\\next.ps", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(L"C:\\y\\doc.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        // Cleared output: derived again.
        setItemText(basic, IDC_BASIC_OUTPUT, L"");
        drop(hwnd, {L"C:\\z\\scan"});
        EXPECT_EQ(L"C:\\z\\scan.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        // A drop without files changes nothing.
        drop(basic, {});
        EXPECT_EQ(L"C:\\z\\scan", itemText(basic, IDC_BASIC_INPUT));
        // Files dropped together join the document shown: they are the documents to convert.
        drop(GetDlgItem(hwnd, IDC_SHEET_HISTORY), {L"C:\\y\\doc.pdf", L"C:\\y\\other.pdf"});
        EXPECT_EQ(L"3 documents", itemText(basic, IDC_BASIC_INPUT));
    });
}

TEST(SheetDrops, NotAcceptedWhenStartedWithAFile)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"C:\\x\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(nullptr, dropTargetOf(PropSheet_GetTabControl(shown.hwnd())));
        EXPECT_EQ(nullptr, dropTargetOf(GetDlgItem(shown.basicPage().hwnd(), IDC_BASIC_INPUT)));
    });
}

TEST(SheetValidation, BothEmptyShowsOnlyTheInputMessage)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 2);
        pressOk(shown);
        EXPECT_TRUE(sheetOpen(shown));
        EXPECT_EQ(shown.basicPage().hwnd(), PropSheet_GetCurrentPageHwnd(shown.hwnd()));
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_INPUT), GetFocus());
    });
    EXPECT_NE(1, result);
    ASSERT_EQ(1u, recorder.messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_INPUT_EMPTY), recorder.messages[0].stringId);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), recorder.messages[0].style);
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kParamHistoryValue).first);
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kLogEnabledValue).first);
}

TEST(SheetValidation, MessagesInTableOrder)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        setItemText(basic, IDC_BASIC_INPUT, input);
        pressOk(shown);
        EXPECT_EQ(basic, PropSheet_GetCurrentPageHwnd(shown.hwnd()));
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_OUTPUT), GetFocus());

        setItemText(basic, IDC_BASIC_INPUT, folder.file(L"missing.pdf"));
        setItemText(basic, IDC_BASIC_OUTPUT, folder.file(L"out.djvu"));
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 1);
        pressOk(shown);
        EXPECT_EQ(basic, PropSheet_GetCurrentPageHwnd(shown.hwnd()));
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_INPUT), GetFocus());

        // A folder is no input; an output folder is no output.
        setItemText(basic, IDC_BASIC_INPUT, folder.path());
        setItemText(basic, IDC_BASIC_OUTPUT, folder.path());
        pressOk(shown);
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_INPUT), GetFocus());
        setItemText(basic, IDC_BASIC_INPUT, input);
        pressOk(shown);
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_OUTPUT), GetFocus());
        EXPECT_TRUE(sheetOpen(shown));
    });
    ASSERT_EQ(4u, recorder.messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_INPUT_IS_DIRECTORY), recorder.messages[2].stringId);
    recorder.messages.erase(recorder.messages.begin() + 2);
    EXPECT_EQ(static_cast<UINT>(IDS_OUTPUT_EMPTY), recorder.messages[0].stringId);
    EXPECT_EQ(static_cast<UINT>(IDS_FILE_NOT_EXISTS), recorder.messages[1].stringId);
    EXPECT_EQ(folder.file(L"missing.pdf"), recorder.messages[1].insert);
    EXPECT_EQ(static_cast<UINT>(IDS_OUTPUT_IS_DIRECTORY), recorder.messages[2].stringId);
    EXPECT_EQ(folder.path(), recorder.messages[2].insert);
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kParamHistoryValue).first);
}

TEST(SheetValidation, OverwriteAnsweredNoStoresNothingAndAsksAgain)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    const std::wstring output = folder.createFile(L"in.djvu");
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet, IDNO);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 1);
        pressOk(shown);
        EXPECT_TRUE(sheetOpen(shown));
        EXPECT_EQ(shown.basicPage().hwnd(), PropSheet_GetCurrentPageHwnd(shown.hwnd()));
        EXPECT_EQ(shown.basicPage().item(IDC_BASIC_OUTPUT), GetFocus());
        pressOk(shown);
        EXPECT_TRUE(sheetOpen(shown));
    });
    EXPECT_NE(1, result);
    ASSERT_EQ(2u, recorder.messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_OVERWRITE_QUESTION), recorder.messages[1].stringId);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), recorder.messages[1].style);
    EXPECT_EQ(output, recorder.messages[1].insert);
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kParamHistoryValue).first);
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kOpenAfterValue).first);
    EXPECT_EQ(1u, arguments.fileArgumentCount());
}

TEST(SheetConfirm, OverwriteYesAddsExactlyOneForceAndHandsOverTheRequest)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    const std::wstring output = folder.createFile(L"in.djvu");
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet, IDYES);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        setItemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL, L"--foo\r\n--bar");
        pressOk(shown);
    });
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, recorder.messages.size());
    const std::wstring options = std::wstring(testing_support::kDefaultOptionsText) + L" --foo --bar";
    EXPECT_EQ(options + L" \"" + input + L"\" \"" + output + L"\" --force", sheet.converterArguments());
    EXPECT_EQ(L"\"" + output + L"\"", sheet.quotedOutputPath());
    EXPECT_EQ(settings::defaultLogPath(), sheet.logPath());
    EXPECT_TRUE(sheet.openAfterConversion());

    // The history entry has neither file names nor --force.
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    settings::ParameterHistory history;
    history.load(store);
    ASSERT_EQ(1u, history.size());
    EXPECT_EQ(options, history.entries()[0]);
    EXPECT_EQ(settings::defaultLogPath(), store.logPathOrDefault().text);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), scratch.raw(settings::kLogPathValue).first);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), scratch.raw(settings::kLogEnabledValue).second);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), scratch.raw(settings::kOpenAfterValue).second);

    // Both file arguments rewritten without quotes.
    ASSERT_EQ(2u, arguments.fileArgumentCount());
    EXPECT_EQ(input, arguments.fileArguments()[0]);
    EXPECT_EQ(output, arguments.fileArguments()[1]);
}

TEST(SheetConfirm, AnOptionWithALineBreakStaysOneArgumentAndAStrayWordIsRefused)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    const std::wstring output = folder.file(L"out.djvu");
    auto arguments = argumentsOf({L"--title=Annual\nreport", input, output});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        // Typed by hand, the same value leaves a word the converter would take for a file.
        const HWND misc = shown.miscPage().hwnd();
        const std::wstring shownParameters = itemText(misc, IDC_MISC_ADDITIONAL);
        setItemText(misc, IDC_MISC_ADDITIONAL, L"--title=Annual report");
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 0);
        pressOk(shown);
        EXPECT_TRUE(sheetOpen(shown));
        EXPECT_EQ(misc, PropSheet_GetCurrentPageHwnd(shown.hwnd()));
        EXPECT_EQ(shown.miscPage().item(IDC_MISC_ADDITIONAL), GetFocus());
        setItemText(misc, IDC_MISC_ADDITIONAL, shownParameters);
        pressOk(shown);
    });
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, recorder.messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_STRAY_ARGUMENT), recorder.messages[0].stringId);
    EXPECT_EQ(L"report", recorder.messages[0].insert);
    const std::vector<std::wstring> words = queue::splitByPlatform(sheet.converterArguments());
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ(words[words.size() - 3], L"--title=Annual report");
    EXPECT_EQ(words[words.size() - 2], input);
    EXPECT_EQ(words.back(), output);
    EXPECT_EQ(testing_support::readFileBytes(input), "%PDF-1.4\n");
}

TEST(SheetConfirm, CheckedLogWithEmptyNameStoresLoggingOffAndKeepsThePath)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    {
        settings::SettingsStore store;
        ASSERT_TRUE(store.open());
        store.writeLogPath({L"C:\\old\\run.log"});
        store.writeOpenAfterConversion(false);
    }
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND misc = shown.miscPage().hwnd();
        EXPECT_EQ(L"C:\\old\\run.log", itemText(misc, IDC_MISC_LOG_PATH));
        EXPECT_TRUE(isChecked(misc, IDC_MISC_LOG_CHECK));
        EXPECT_FALSE(isChecked(misc, IDC_MISC_OPEN_AFTER));
        setItemText(misc, IDC_MISC_LOG_PATH, L"");
        pressOk(shown);
    });
    EXPECT_EQ(1, result);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(sheet.logPath().empty());
    EXPECT_FALSE(sheet.openAfterConversion());
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    EXPECT_EQ(L"C:\\old\\run.log", store.logPathOrDefault().text);
    EXPECT_FALSE(store.logEnabled());
    EXPECT_FALSE(store.openAfterConversion());
}

TEST(SheetConfirm, LoggingOffGivesAnEmptyLogPath)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND misc = shown.miscPage().hwnd();
        click(misc, IDC_MISC_LOG_CHECK);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(misc, IDC_MISC_LOG_PATH)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(misc, IDC_MISC_LOG_BROWSE)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(misc, IDC_MISC_LOG_LABEL)));
        EXPECT_FALSE(itemText(misc, IDC_MISC_LOG_PATH).empty());
        click(misc, IDC_MISC_OPEN_AFTER);
        pressOk(shown);
    });
    EXPECT_TRUE(sheet.logPath().empty());
    EXPECT_FALSE(sheet.openAfterConversion());
    EXPECT_EQ(REG_NONE, scratch.raw(settings::kLogPathValue).first);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0}), scratch.raw(settings::kLogEnabledValue).second);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0}), scratch.raw(settings::kOpenAfterValue).second);
}

TEST(SheetConfirm, UnopenableKeyStillHandsOverTheRequest)
{
    // A key path that cannot be created: nothing is stored, nothing reported.
    ScratchSettingsKey scratch;
    settings::setSettingsKeyPath(std::wstring(300, L'k'));
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"in.pdf");
    auto arguments = argumentsOf({input});
    ui::SettingsSheet sheet(arguments);
    MessageRecorder recorder(sheet);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(settings::defaultLogPath(), itemText(shown.miscPage().hwnd(), IDC_MISC_LOG_PATH));
        pressOk(shown);
    });
    EXPECT_EQ(1, result);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_FALSE(sheet.converterArguments().empty());
    RegDeleteKeyW(HKEY_CURRENT_USER, std::wstring(300, L'k').c_str());
}
