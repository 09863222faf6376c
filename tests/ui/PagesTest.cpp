// The Basic, Advanced and Miscellaneous pages inside a real sheet.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "SheetTestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/TestKey.h"
#include "ui/BasicPage.h"
#include "ui/SettingsSheet.h"
#include "res/resource.h"

TEST(FileDialogStart, DirectoryOrDirectoryPartAndWholeText)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring directory(temp);
    directory.pop_back();
    auto start = ui::fileDialogStart(directory);
    EXPECT_EQ(directory, start.directory);
    EXPECT_TRUE(start.fileName.empty());

    start = ui::fileDialogStart(L"C:\\nowhere\\sub\\file.pdf");
    EXPECT_EQ(L"C:\\nowhere\\sub", start.directory);
    EXPECT_EQ(L"C:\\nowhere\\sub\\file.pdf", start.fileName);
    start = ui::fileDialogStart(L"file.pdf");
    EXPECT_TRUE(start.directory.empty());
    EXPECT_EQ(L"file.pdf", start.fileName);
    start = ui::fileDialogStart(L"");
    EXPECT_TRUE(start.directory.empty());
    EXPECT_TRUE(start.fileName.empty());
}

TEST(BasicPage, OneFileArgumentIsReadOnlyWithDerivedOutput)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"C:\\x\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_EQ(L"C:\\x\\in.pdf", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_NE(0, GetWindowLongW(GetDlgItem(basic, IDC_BASIC_INPUT), GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(basic, IDC_BASIC_INPUT_BROWSE)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(basic, IDC_BASIC_OUTPUT_BROWSE)));
        EXPECT_EQ(L"C:\\x\\in.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        EXPECT_EQ(L"C:\\x\\in.pdf", shown.basicPage().inputText());
        EXPECT_EQ(L"C:\\x\\in.djvu", shown.basicPage().outputText());
    });
}

TEST(BasicPage, TwoFileArgumentsKeepTheOutput)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"C:\\x\\in.pdf", L"D:\\out\\other.djvu", L"ignored"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(L"D:\\out\\other.djvu", itemText(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT));
    });
}

TEST(BasicPage, NoFileArgumentsLeaveBothBoxesEmptyAndEditable)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_TRUE(itemText(basic, IDC_BASIC_INPUT).empty());
        EXPECT_TRUE(itemText(basic, IDC_BASIC_OUTPUT).empty());
        EXPECT_EQ(0, GetWindowLongW(GetDlgItem(basic, IDC_BASIC_INPUT), GWL_STYLE) & ES_READONLY);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(basic, IDC_BASIC_INPUT_BROWSE)));
        shown.basicPage().setInputFile(L"C:\\y\\doc.pdf");
        EXPECT_EQ(L"C:\\y\\doc.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        shown.basicPage().setInputFile(L"C:\\y\\second.pdf");
        EXPECT_EQ(L"C:\\y\\second.pdf", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(L"C:\\y\\doc.djvu", itemText(basic, IDC_BASIC_OUTPUT));
        // Typing an input name derives nothing.
        setItemText(basic, IDC_BASIC_OUTPUT, L"");
        setItemText(basic, IDC_BASIC_INPUT, L"C:\\typed.pdf");
        EXPECT_TRUE(itemText(basic, IDC_BASIC_OUTPUT).empty());
    });
}

namespace {

// From another thread (the page's waits in the dialog): the first visible dialog owned
// by the sheet, given a file name and confirmed; nullptr when none appears.
HWND answerFileDialog(HWND sheet, const std::wstring& fileName)
{
    constexpr int kFileNameBox = 0x47C; // the dialog's file name box (cmb13)
    for (int attempt = 0; attempt < 500; ++attempt) {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(found, GW_OWNER) == sheet && IsWindowVisible(found)) {
                SetDlgItemTextW(found, kFileNameBox, fileName.c_str());
                PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return found;
            }
        }
        Sleep(20);
    }
    return nullptr;
}

} // namespace

// The input Browse button shows the platform's open dialog; the chosen file fills the
// input box and the output name derived from it.
TEST(BasicPage, BrowseChoosesTheInputFile)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring input = folder.createFile(L"chosen.pdf");
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        HWND dialog = nullptr;
        std::thread answer([&] { dialog = answerFileDialog(shown.hwnd(), input); });
        click(basic, IDC_BASIC_INPUT_BROWSE);
        answer.join();
        EXPECT_NE(nullptr, dialog);
        EXPECT_EQ(input, itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(folder.file(L"chosen.djvu"), itemText(basic, IDC_BASIC_OUTPUT));
    });
}

TEST(BasicPage, ListsAndDefaultsAndCommandLineOptions)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"--dpi=600", L"--nosep", L"--foo", L"--nosep", L"in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_EQ(4, SendDlgItemMessageW(basic, IDC_BASIC_TEXT_EXTRACTION, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(3, SendDlgItemMessageW(basic, IDC_BASIC_DPI, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(5, SendDlgItemMessageW(basic, IDC_BASIC_FG_QUALITY, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(L"600", itemText(basic, IDC_BASIC_DPI));
        EXPECT_TRUE(isChecked(basic, IDC_BASIC_NOSEP));
        EXPECT_EQ(L"65", itemText(basic, IDC_BASIC_QUALITY));
        // Options nobody took are the additional parameters.
        EXPECT_EQ(L"--foo --nosep", itemText(shown.miscPage().hwnd(), IDC_MISC_ADDITIONAL));
    });
}

TEST(AdvancedPage, EnablingRuleFollowsTheCheckBoxes)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND advanced = shown.advancedPage().hwnd();
        EXPECT_EQ(2, SendDlgItemMessageW(advanced, IDC_ADV_RENDER_INTENT, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessageW(advanced, IDC_ADV_RENDER_INTENT, CB_GETCURSEL, 0, 0));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_SLICES)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_RESOURCE_DIR)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_RESOURCE_BROWSE)));

        click(advanced, IDC_ADV_SLICES_CHECK);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_SLICES)));
        setItemText(advanced, IDC_ADV_SLICES, L"72");
        EXPECT_EQ(L"--fg-colors=256 --fg-image-colors=256 --pages-per-dict=20 --bg-slices=72",
            shown.advancedPage().options().generateArguments());
        // The Basic page's --quality is stripped while the box is checked.
        const std::wstring composed = shown.composer().composeParameterText(false);
        EXPECT_EQ(std::wstring::npos, composed.find(L"--quality"));

        click(advanced, IDC_ADV_SLICES_CHECK);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_SLICES)));
        EXPECT_EQ(L"72", itemText(advanced, IDC_ADV_SLICES));
        EXPECT_EQ(std::wstring::npos, shown.advancedPage().options().generateArguments().find(L"--bg-slices"));

        click(advanced, IDC_ADV_RESOURCE_CHECK);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_RESOURCE_DIR)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(advanced, IDC_ADV_RESOURCE_BROWSE)));
    });
}

TEST(MiscPage, DefaultsWithoutStoredSettings)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND misc = shown.miscPage().hwnd();
        EXPECT_EQ(settings::defaultLogPath(), itemText(misc, IDC_MISC_LOG_PATH));
        EXPECT_TRUE(isChecked(misc, IDC_MISC_LOG_CHECK));
        EXPECT_TRUE(isChecked(misc, IDC_MISC_OPEN_AFTER));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(misc, IDC_MISC_LOG_PATH)));
        EXPECT_TRUE(itemText(misc, IDC_MISC_ADDITIONAL).empty());
    });
    // Building the sheet creates the key.
    EXPECT_TRUE(scratch.exists());
}

TEST(MiscPage, GeneratedCommandLineIsRefreshedOnActivation)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({L"C:\\in.pdf"});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND misc = shown.miscPage().hwnd();
        setItemText(misc, IDC_MISC_ADDITIONAL, L"--extra");
        click(shown.basicPage().hwnd(), IDC_BASIC_NOSEP);
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 2);
        const std::wstring expected = L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 "
                                      L"--quality=65 --words --nosep --fg-colors=256 --fg-image-colors=256 "
                                      L"--pages-per-dict=20 \"C:\\in.pdf\" \"C:\\in.djvu\"";
        EXPECT_EQ(expected, itemText(misc, IDC_MISC_COMMAND_LINE));
        // Not refreshed while the user edits other pages.
        PropSheet_SetCurSel(shown.hwnd(), nullptr, 0);
        click(shown.basicPage().hwnd(), IDC_BASIC_NOSEP);
        EXPECT_EQ(expected, itemText(misc, IDC_MISC_COMMAND_LINE));
    });
}

TEST(PagesJapanese, TitlesAndHistoryButtonInJapanese)
{
    ScratchSettingsKey scratch;
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND tab = PropSheet_GetTabControl(shown.hwnd());
        wchar_t buffer[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = 64;
        TabCtrl_GetItem(tab, 0, &item);
        EXPECT_EQ(std::wstring(L"基本設定"), buffer);
        TabCtrl_GetItem(tab, 2, &item);
        EXPECT_EQ(std::wstring(L"その他の設定"), buffer);
        EXPECT_EQ(L"履歴(&H)", windowText(GetDlgItem(shown.hwnd(), IDC_SHEET_HISTORY)));
        EXPECT_EQ(L"文字毎 (--chars)", [&] {
            wchar_t text[64] = {};
            SendDlgItemMessageW(shown.basicPage().hwnd(), IDC_BASIC_TEXT_EXTRACTION, CB_GETLBTEXT, 0,
                reinterpret_cast<LPARAM>(text));
            return std::wstring(text);
        }());
    });
}
