// The real program from start to exit: sheets, validation messages, runs with the
// stand-in converter, the history across passes and processes, and "/Install".
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "E2eSupport.h"
#include "res/resource.h"
#include "support/DropTarget.h"
#include "base/Text.h"

namespace {

constexpr int kBasicPage = 0;
constexpr int kMiscPage = 2;

size_t countOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// Closes a message box with the given button and waits until it is gone.
void answer(HWND box, int button)
{
    pressButton(box, button);
    for (int i = 0; i < 250 && IsWindow(box) && IsWindowVisible(box); ++i) {
        Sleep(20);
    }
}

void clickSync(HWND dialog, int id)
{
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
}

// Runs the program on in.pdf, confirms the first sheet and closes the finished
// progress dialog. Returns the sheet's Basic page state check result through gtest.
void confirmAndFinish(GuiProcess& gui, HWND sheet)
{
    pressButton(sheet, IDOK);
    const HWND progress = gui.waitForFinishedProgress();
    ASSERT_NE(nullptr, progress);
    pressButton(progress, IDCANCEL);
}

} // namespace

TEST(EndToEnd, InstallShowsNothingAndEndsWithZero)
{
    Installation installation;
    GuiProcess gui(installation.gui(), {L"/Install"});
    ASSERT_TRUE(gui.started());
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    EXPECT_EQ(nullptr, gui.waitForSheet(0));
}

TEST(EndToEnd, CancellingTheFirstSheetRunsNothing)
{
    CleanSettingsKey settings;
    Installation installation;
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    GuiProcess gui(installation.gui(), {input});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(L"Korvello Converter", textOf(sheet));
    pressButton(sheet, IDCANCEL);
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    EXPECT_FALSE(installation.exists(L"report.txt"));
    EXPECT_TRUE(settings.history().empty());
}

TEST(EndToEnd, SuccessfulRunEndsWithOneAndStoresTheHistory)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    installation.useScript("line Processing page 1/1\nexit 0\n");
    GuiProcess gui(installation.gui(), {input});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    const HWND basic = sheetPage(sheet, kBasicPage);
    EXPECT_EQ(input, itemTextOf(basic, IDC_BASIC_INPUT));
    EXPECT_EQ(installation.path(L"in.djvu"), itemTextOf(basic, IDC_BASIC_OUTPUT));
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(basic, IDC_BASIC_INPUT), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(checkedOf(sheetPage(sheet, kMiscPage), IDC_MISC_OPEN_AFTER));
    confirmAndFinish(gui, sheet);
    EXPECT_EQ(1u, gui.waitForExit().value_or(12345));

    const std::string report = installation.readFile(L"report.txt");
    EXPECT_EQ(1u, countOf(report, "start "));
    EXPECT_NE(std::string::npos, report.find(base::toUtf8(L"\"" + input + L"\" \"" + installation.path(L"in.djvu") + L"\"")));
    EXPECT_EQ(0u, countOf(report, "--force"));
    ASSERT_EQ(1u, settings.history().size());
    EXPECT_EQ(std::wstring::npos, settings.history()[0].find(L"in.pdf"));
    EXPECT_EQ(1u, settings.dword(L"LogEnabled").value_or(7));
}

// A .djvu association whose "open" verb records the path it was given.
class RecordingViewer {
public:
    explicit RecordingViewer(const std::wstring& recordPath)
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".djvu");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
        const std::wstring progId = kProgId;
        RegSetKeyValueW(HKEY_CLASSES_ROOT, L".djvu", nullptr, REG_SZ, progId.c_str(),
            static_cast<DWORD>((progId.size() + 1) * sizeof(wchar_t)));
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring command = std::wstring(system) + L"\\cmd.exe /c echo %1>\"" + recordPath + L"\"";
        RegSetKeyValueW(HKEY_CLASSES_ROOT, (progId + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ,
            command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    ~RecordingViewer()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".djvu");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    }
    RecordingViewer(const RecordingViewer&) = delete;
    RecordingViewer& operator=(const RecordingViewer&) = delete;

private:
    static constexpr wchar_t kProgId[] = L"KorvelloE2eRecordingViewer";
};

TEST(EndToEnd, SuccessfulRunAsksTheShellToOpenTheOutput)
{
    CleanSettingsKey settings;
    Installation installation;
    RecordingViewer viewer(installation.path(L"opened.txt"));
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    installation.useScript("exit 0\n");
    GuiProcess gui(installation.gui(), {input});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    EXPECT_TRUE(checkedOf(sheetPage(sheet, kMiscPage), IDC_MISC_OPEN_AFTER));
    confirmAndFinish(gui, sheet);
    EXPECT_EQ(1u, gui.waitForExit().value_or(12345));
    for (int i = 0; i < 500 && installation.readFile(L"opened.txt").empty(); ++i) {
        Sleep(20);
    }
    EXPECT_NE(std::string::npos, installation.readFile(L"opened.txt").find("in.djvu"));
    EXPECT_EQ(1u, settings.dword(L"OpenDjVuAfterConversion").value_or(7));
}

TEST(EndToEnd, FailedRunBringsBackTheSheetWithTheSameFilesAndParameters)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    installation.useScript("err Error: something broke\nexit 10\n");
    GuiProcess gui(installation.gui(), {});
    const HWND first = gui.waitForSheet();
    ASSERT_NE(nullptr, first);
    HWND basic = sheetPage(first, kBasicPage);
    EXPECT_TRUE(itemTextOf(basic, IDC_BASIC_INPUT).empty());
    setItemTextOf(basic, IDC_BASIC_INPUT, input);
    setItemTextOf(basic, IDC_BASIC_OUTPUT, installation.path(L"out.djvu"));
    clickSync(basic, IDC_BASIC_NOSEP);
    setItemTextOf(sheetPage(first, kMiscPage), IDC_MISC_ADDITIONAL, L"--extra-option");
    confirmAndFinish(gui, first);

    // A new sheet: same files, input read-only now, and the last parameter set.
    HWND second = nullptr;
    for (int i = 0; i < 1500 && (second == nullptr || second == first); ++i) {
        second = gui.waitForSheet(20);
        if (second == first && IsWindow(first)) {
            second = nullptr;
        }
    }
    ASSERT_NE(nullptr, second);
    basic = sheetPage(second, kBasicPage);
    EXPECT_EQ(input, itemTextOf(basic, IDC_BASIC_INPUT));
    EXPECT_EQ(installation.path(L"out.djvu"), itemTextOf(basic, IDC_BASIC_OUTPUT));
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(basic, IDC_BASIC_INPUT), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(basic, IDC_BASIC_INPUT_BROWSE)));
    EXPECT_TRUE(checkedOf(basic, IDC_BASIC_NOSEP));
    EXPECT_EQ(L"--extra-option", itemTextOf(sheetPage(second, kMiscPage), IDC_MISC_ADDITIONAL));
    // Only the first sheet of a process started without files accepts drops.
    EXPECT_EQ(nullptr, testing_support::dropTargetOf(PropSheet_GetTabControl(second)));
    pressButton(second, IDCANCEL);
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    EXPECT_EQ(1u, countOf(installation.readFile(L"report.txt"), "start "));
}

TEST(EndToEnd, ValidationMessagesAndTheOverwriteQuestion)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    const std::wstring output = installation.writeFile(L"old.djvu", "AT&T");
    installation.useScript("exit 0\n");
    GuiProcess gui(installation.gui(), {});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    const HWND basic = sheetPage(sheet, kBasicPage);

    pressButton(sheet, IDOK);
    HWND box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Korvello Converter", textOf(box));
    EXPECT_EQ(L"The input file name is empty.", messageBoxText(box));
    answer(box, IDOK);

    setItemTextOf(basic, IDC_BASIC_INPUT, input);
    pressButton(sheet, IDOK);
    box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"The output file name is empty.", messageBoxText(box));
    answer(box, IDOK);

    setItemTextOf(basic, IDC_BASIC_OUTPUT, installation.folder());
    pressButton(sheet, IDOK);
    box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"The path '" + installation.folder() + L"' is an existing directory.", messageBoxText(box));
    answer(box, IDOK);

    setItemTextOf(basic, IDC_BASIC_INPUT, installation.path(L"missing.pdf"));
    setItemTextOf(basic, IDC_BASIC_OUTPUT, output);
    pressButton(sheet, IDOK);
    box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"'" + installation.path(L"missing.pdf") + L"' does not exists.", messageBoxText(box));
    answer(box, IDOK);

    setItemTextOf(basic, IDC_BASIC_INPUT, input);
    pressButton(sheet, IDOK);
    box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"'" + output + L"' already exists, overwrite anyway?", messageBoxText(box));
    answer(box, IDNO);
    EXPECT_TRUE(IsWindowVisible(sheet));
    EXPECT_TRUE(settings.history().empty());

    pressButton(sheet, IDOK);
    box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    answer(box, IDYES);
    const HWND progress = gui.waitForFinishedProgress();
    ASSERT_NE(nullptr, progress);
    pressButton(progress, IDCANCEL);
    EXPECT_EQ(1u, gui.waitForExit().value_or(12345));
    const std::string report = installation.readFile(L"report.txt");
    EXPECT_EQ(1u, countOf(report, "--force"));
    ASSERT_EQ(1u, settings.history().size());
    EXPECT_EQ(std::wstring::npos, settings.history()[0].find(L"--force"));
}

TEST(EndToEnd, HistoryCarriesAcrossProcessesUnlessStartedWithOptions)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::wstring input = installation.writeFile(L"in.pdf", "%PDF-1.4\n");
    installation.useScript("exit 0\n");
    {
        GuiProcess gui(installation.gui(), {input});
        const HWND sheet = gui.waitForSheet();
        ASSERT_NE(nullptr, sheet);
        clickSync(sheetPage(sheet, kBasicPage), IDC_BASIC_NOSEP);
        confirmAndFinish(gui, sheet);
        ASSERT_EQ(1u, gui.waitForExit().value_or(12345));
    }
    {
        GuiProcess gui(installation.gui(), {input});
        const HWND sheet = gui.waitForSheet();
        ASSERT_NE(nullptr, sheet);
        EXPECT_TRUE(checkedOf(sheetPage(sheet, kBasicPage), IDC_BASIC_NOSEP));
        pressButton(sheet, IDCANCEL);
        EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    }
    {
        GuiProcess gui(installation.gui(), {L"--dpi=600", input});
        const HWND sheet = gui.waitForSheet();
        ASSERT_NE(nullptr, sheet);
        EXPECT_FALSE(checkedOf(sheetPage(sheet, kBasicPage), IDC_BASIC_NOSEP));
        EXPECT_EQ(L"600", itemTextOf(sheetPage(sheet, kBasicPage), IDC_BASIC_DPI));
        pressButton(sheet, IDCANCEL);
        EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    }
}

// Whatever the user types or passes, their own files are never handed to the
// converter or the log to be replaced, and an option with a blank stays one argument.
TEST(EndToEnd, TheUsersFilesAreNeverReplaced)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::string pdf = "%PDF-1.4 the user's document\n";
    const std::wstring input = installation.writeFile(L"in.pdf", pdf);
    installation.useScript("exit 0\n");
    GuiProcess gui(installation.gui(), {L"--title=My Document", input, installation.path(L"out.djvu")});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    const HWND basic = sheetPage(sheet, kBasicPage);
    const HWND misc = sheetPage(sheet, kMiscPage);
    EXPECT_EQ(L"--title=\"My Document\"", itemTextOf(misc, IDC_MISC_ADDITIONAL));

    const auto refusedWith = [&](const std::wstring& expected) {
        pressButton(sheet, IDOK);
        const HWND box = gui.waitForMessageBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(expected, messageBoxText(box));
        answer(box, IDOK);
        EXPECT_TRUE(IsWindowVisible(sheet));
    };
    // The output named as the input, in other letters: refused, no question.
    std::wstring sameInOtherCase = input;
    sameInOtherCase.replace(sameInOtherCase.size() - 6, 6, L"IN.PDF");
    setItemTextOf(basic, IDC_BASIC_OUTPUT, sameInOtherCase);
    refusedWith(L"The output file '" + sameInOtherCase + L"' is the input file. Choose another name for the output file.");
    // A pasted path loses its quotes.
    setItemTextOf(basic, IDC_BASIC_OUTPUT, L"\"" + installation.path(L"out.djvu") + L"\"");
    EXPECT_EQ(installation.path(L"out.djvu"), itemTextOf(basic, IDC_BASIC_OUTPUT));
    // The log on the input or on the output.
    setItemTextOf(misc, IDC_MISC_LOG_PATH, input);
    refusedWith(L"The processing log '" + input + L"' would replace the input file. Choose another name for the log file.");
    setItemTextOf(misc, IDC_MISC_LOG_PATH, installation.path(L"out.djvu"));
    refusedWith(L"The processing log '" + installation.path(L"out.djvu")
        + L"' is the output file. Choose another name for the log file.");
    setItemTextOf(misc, IDC_MISC_LOG_PATH, installation.path(L"run.log"));
    // A command line no process can be given.
    const std::wstring longOutput = installation.path(std::wstring(33000, L'o'));
    setItemTextOf(basic, IDC_BASIC_OUTPUT, longOutput);
    pressButton(sheet, IDOK);
    HWND box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_NE(std::wstring::npos, messageBoxText(box).find(L"32767")) << messageBoxText(box);
    answer(box, IDOK);
    EXPECT_TRUE(settings.history().empty());

    setItemTextOf(basic, IDC_BASIC_OUTPUT, installation.path(L"out.djvu"));
    confirmAndFinish(gui, sheet);
    EXPECT_EQ(1u, gui.waitForExit().value_or(12345));
    EXPECT_EQ(pdf, installation.readFile(L"in.pdf"));
    const std::string report = installation.readFile(L"report.txt");
    EXPECT_NE(std::string::npos, report.find("--title=\"My Document\" \"")) << report;
    ASSERT_EQ(1u, settings.history().size());
    EXPECT_NE(std::wstring::npos, settings.history()[0].find(L"--title=\"My Document\""));
}

TEST(EndToEnd, AnOptionWithALineBreakStaysOneArgument)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    const std::string pdf = "%PDF-1.4 the user's document\n";
    const std::wstring input = installation.writeFile(L"in.pdf", pdf);
    installation.useScript("exit 0\n");
    GuiProcess gui(installation.gui(), {L"--title=Annual\nreport", input, installation.path(L"out.djvu")});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    confirmAndFinish(gui, sheet);
    EXPECT_EQ(1u, gui.waitForExit().value_or(12345));
    EXPECT_EQ(pdf, installation.readFile(L"in.pdf"));
    const std::string report = installation.readFile(L"report.txt");
    EXPECT_NE(std::string::npos, report.find("--title=\"Annual report\" \"")) << report;
}

TEST(EndToEnd, AFolderAsInputIsRefusedAndAHugeFileArgumentShown)
{
    CleanSettingsKey settings;
    Installation installation;
    {
        GuiProcess gui(installation.gui(), {installation.folder()});
        const HWND sheet = gui.waitForSheet();
        ASSERT_NE(nullptr, sheet);
        pressButton(sheet, IDOK);
        const HWND box = gui.waitForMessageBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(L"'" + installation.folder() + L"' is a folder. Choose a PDF or PostScript file as the input file.",
            messageBoxText(box));
        answer(box, IDOK);
        pressButton(sheet, IDCANCEL);
        EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
    }
    // A file argument of 30,000 characters: the sheet still comes up, and shows the
    // generated command line shortened.
    const std::wstring huge = L"C:\\" + std::wstring(30000, L'h') + L".pdf";
    GuiProcess gui(installation.gui(), {huge});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    SendMessageW(sheet, PSM_SETCURSEL, kMiscPage, 0);
    const std::wstring shown = itemTextOf(sheetPage(sheet, kMiscPage), IDC_MISC_COMMAND_LINE);
    EXPECT_LT(shown.size(), 3000u);
    EXPECT_NE(std::wstring::npos, shown.find(L"...")) << shown.size();
    pressButton(sheet, IDCANCEL);
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
}

// Dropped files are covered inside the process (tests/ui): a WM_DROPFILES posted from
// another process carries a memory handle of the sender, which the receiver cannot read.
TEST(EndToEnd, FirstSheetWithoutFilesAcceptsDrops)
{
    CleanSettingsKey settings;
    Installation installation;
    GuiProcess gui(installation.gui(), {});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    // The sheet window takes drops on its tabs, buttons and pages alike.
    EXPECT_EQ(sheet, testing_support::dropTargetOf(PropSheet_GetTabControl(sheet)));
    EXPECT_EQ(sheet, testing_support::dropTargetOf(GetDlgItem(sheet, IDOK)));
    EXPECT_EQ(sheet, testing_support::dropTargetOf(sheetPage(sheet, kBasicPage)));
    pressButton(sheet, IDCANCEL);
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
}

TEST(EndToEndJapanese, SheetAndMessagesInJapanese)
{
    CleanSettingsKey settings;
    Installation installation;
    GuiProcess gui(installation.gui(), {});
    const HWND sheet = gui.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(L"履歴(&H)", itemTextOf(sheet, IDC_SHEET_HISTORY));
    EXPECT_EQ(L"参照(&W)...", itemTextOf(sheetPage(sheet, kBasicPage), IDC_BASIC_INPUT_BROWSE));
    pressButton(sheet, IDOK);
    const HWND box = gui.waitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"入力ファイル名が入力されていません。", messageBoxText(box));
    answer(box, IDOK);
    pressButton(sheet, IDCANCEL);
    EXPECT_EQ(0u, gui.waitForExit().value_or(12345));
}
