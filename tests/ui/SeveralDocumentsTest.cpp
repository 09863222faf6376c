// The settings sheet with several documents: how they are shown, joined and dropped, and
// what OK checks and hands over for each of them.
#include <windows.h>

#include <gtest/gtest.h>

#include "SheetTestSupport.h"
#include "converter/ConverterContract.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "settings/TestKey.h"
#include "support/DropTarget.h"
#include "ui/DocumentListDialog.h"
#include "ui/SettingsSheet.h"

#include <set>
#include <thread>
#include "win/FileSystem.h"

namespace {

bool endsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(SeveralDocuments, ShownAsOneSetAndConfirmedEachWithItsOwnOutputAndLog)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    ui::DocumentSelection selection;
    selection.inputs = {folder.createFile(L"a.pdf"), folder.createFile(L"b c.pdf"), folder.createFile(L"d.ps")};
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments, &selection);
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        const HWND basic = shown.basicPage().hwnd();
        EXPECT_EQ(L"3 documents", itemText(basic, IDC_BASIC_INPUT));
        EXPECT_EQ(L"&List...", itemText(basic, IDC_BASIC_INPUT_BROWSE));
        EXPECT_EQ(L"&Output to:", windowText(GetWindow(GetDlgItem(basic, IDC_BASIC_OUTPUT), GW_HWNDPREV)));
        EXPECT_EQ(L"", itemText(basic, IDC_BASIC_OUTPUT)); // beside each document
        pressOk(shown);
    });
    ASSERT_EQ(1, result);
    const auto& queued = sheet.queuedDocuments();
    ASSERT_EQ(3u, queued.size());
    const std::wstring log = settings::defaultLogPath();
    const std::wstring logStem = log.substr(0, log.size() - 4); // without ".log"
    EXPECT_EQ(folder.file(L"b c.djvu"), queued[1].output);
    EXPECT_EQ(logStem + L"-b c.log", queued[1].logPath);
    EXPECT_EQ(logStem + L"-d.log", queued[2].logPath);
    EXPECT_TRUE(endsWith(queued[1].converterArguments, L" \"" + queued[1].input + L"\" \"" + queued[1].output + L"\""))
        << queued[1].converterArguments;
    EXPECT_EQ(sheet.queueRecipe().parameterText + L" \"" + queued[0].input + L"\" \"" + queued[0].output + L"\"",
        queued[0].converterArguments);
    EXPECT_FALSE(queued[0].skip);
    EXPECT_EQ(selection.inputs.size(), 3u);
    EXPECT_EQ(1u, sheet.history().size()); // the options once
}

TEST(SeveralDocuments, ExistingOutputsAskOnceYesReplacesNoSkipsCancelStays)
{
    for (const int answer : {IDYES, IDNO, IDCANCEL}) {
        ScratchSettingsKey scratch;
        ScratchFolder folder;
        ui::DocumentSelection selection;
        selection.inputs = {folder.createFile(L"a.pdf"), folder.createFile(L"b.pdf"), folder.createFile(L"c.pdf")};
        folder.createFile(L"b.djvu", "AT&T");
        auto arguments = argumentsOf({});
        ui::SettingsSheet sheet(arguments, &selection);
        MessageRecorder recorder(sheet, answer);
        bool stayedOpen = false;
        const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
            pressOk(shown);
            stayedOpen = sheetOpen(shown);
        });
        ASSERT_EQ(1u, recorder.messages.size());
        EXPECT_EQ(static_cast<UINT>(IDS_OUTPUTS_EXIST), recorder.messages[0].stringId);
        EXPECT_EQ((std::vector<std::wstring>{L"1", L"3"}), recorder.messages[0].inserts);
        if (answer == IDCANCEL) {
            EXPECT_TRUE(stayedOpen);
            EXPECT_NE(1, result);
            continue;
        }
        ASSERT_EQ(1, result);
        const auto& queued = sheet.queuedDocuments();
        EXPECT_EQ(answer == IDNO, queued[1].skip);
        EXPECT_EQ(answer == IDYES, endsWith(queue::runArguments(queued[1]), converter::kForceOption));
        EXPECT_FALSE(queued[0].skip || endsWith(queue::runArguments(queued[0]), converter::kForceOption));
        EXPECT_EQ(answer == IDYES, sheet.queueRecipe().replaceExisting);
    }
}

TEST(SeveralDocuments, RefusedDocumentsNamedInOneMessageAndLeftOutOnYes)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    ui::DocumentSelection selection;
    // A missing document, and two documents that would write one output.
    selection.inputs = {folder.createFile(L"a.pdf"), folder.file(L"gone.pdf"), folder.createFile(L"r.pdf"),
        folder.createFile(L"r.ps")};
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments, &selection);
    MessageRecorder recorder(sheet, IDYES);
    std::wstring shownAfter;
    const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
        pressOk(shown);
        shownAfter = itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT);
        pressOk(shown);
    });
    ASSERT_GE(recorder.messages.size(), 1u);
    const auto& refusal = recorder.messages[0];
    EXPECT_EQ(static_cast<UINT>(IDS_DOCUMENTS_REFUSED), refusal.stringId);
    ASSERT_EQ(3u, refusal.inserts.size());
    EXPECT_EQ(L"2", refusal.inserts[0]);
    EXPECT_EQ(L"4", refusal.inserts[1]);
    EXPECT_NE(std::wstring::npos, refusal.inserts[2].find(L"gone.pdf: ")) << refusal.inserts[2];
    EXPECT_NE(std::wstring::npos, refusal.inserts[2].find(L"r.ps: ")) << refusal.inserts[2];
    EXPECT_EQ(L"2 documents", shownAfter);
    ASSERT_EQ(1, result);
    ASSERT_EQ(2u, sheet.queuedDocuments().size());
    EXPECT_EQ(folder.file(L"r.pdf"), sheet.queuedDocuments()[1].input);
}

TEST(SeveralDocuments, MissingOutputFolderRefusedAtTheBox)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    ui::DocumentSelection selection;
    selection.inputs = {folder.createFile(L"a.pdf"), folder.createFile(L"b.pdf")};
    selection.outputFolder = folder.file(L"no such folder");
    auto arguments = argumentsOf({});
    ui::SettingsSheet sheet(arguments, &selection);
    MessageRecorder recorder(sheet, IDOK);
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_EQ(selection.outputFolder, itemText(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT));
        pressOk(shown);
        EXPECT_TRUE(sheetOpen(shown));
        EXPECT_EQ(GetDlgItem(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT), GetFocus());
    });
    ASSERT_EQ(1u, recorder.messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_OUTPUT_FOLDER_MISSING), recorder.messages[0].stringId);
}

// A later front end's file does not turn a sheet of one document whose output name the
// user typed into several (the name would be lost): it is kept for a sheet of its own.
TEST(SeveralDocuments, ASheetWhoseOutputNameWasTypedTakesNoNewcomer)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring a = folder.createFile(L"a.pdf");
    const std::wstring b = folder.createFile(L"b.pdf");
    auto arguments = argumentsOf({a});
    ui::SettingsSheet sheet(arguments);
    std::vector<bool> heard;
    sheet.setTakesNewcomersHandler([&](bool takes) { heard.push_back(takes); });
    runSheet(sheet, [&](ui::SettingsSheet& shown) {
        EXPECT_TRUE(shown.takesNewcomers());
        setItemText(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT, folder.file(L"my book.djvu"));
        EXPECT_FALSE(shown.takesNewcomers());
        shown.addDocuments({b});
        EXPECT_EQ(a, itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT));
        EXPECT_EQ(folder.file(L"my book.djvu"), itemText(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT));
        EXPECT_EQ(std::vector<std::wstring>{b}, shown.takeNotTaken());
        EXPECT_TRUE(shown.takeNotTaken().empty());
    });
    ASSERT_FALSE(heard.empty());
    EXPECT_FALSE(heard.back());
}

TEST(SeveralDocuments, HandedOverFilesJoinOnceAndDroppedFilesAreAdded)
{
    ScratchSettingsKey scratch;
    ScratchFolder folder;
    const std::wstring a = folder.createFile(L"a.pdf");
    const std::wstring b = folder.createFile(L"b.pdf");
    const std::wstring c = folder.createFile(L"c.pdf");
    {
        auto arguments = argumentsOf({a});
        ui::SettingsSheet sheet(arguments);
        runSheet(sheet, [&](ui::SettingsSheet& shown) {
            shown.addDocuments({b, a});
            EXPECT_EQ(L"2 documents", itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT));
            EXPECT_EQ(L"", itemText(shown.basicPage().hwnd(), IDC_BASIC_OUTPUT)); // the derived name: beside
            shown.addDocuments({c, b});
            EXPECT_EQ((std::vector<std::wstring>{a, b, c}), shown.basicPage().documents());
        });
    }
    {
        auto arguments = argumentsOf({});
        ui::SettingsSheet sheet(arguments);
        runSheet(sheet, [&](ui::SettingsSheet& shown) {
            SendMessageW(shown.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(testing_support::makeDrop({a, b, c})), 0);
            EXPECT_EQ(L"3 documents", itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT));
            // Dropped on documents shown, files are added (each once), not put in their place;
            // a folder gives the documents inside it, one without any is named.
            CreateDirectoryW(folder.file(L"more").c_str(), nullptr);
            const std::wstring d = folder.createFile(L"more\\d 10.pdf");
            const std::wstring e = folder.createFile(L"more\\d 9.ps");
            CreateDirectoryW(folder.file(L"none").c_str(), nullptr);
            std::vector<UINT> told;
            shown.setMessageBoxFunction([&](HWND, UINT, UINT id, const std::vector<std::wstring>&) {
                told.push_back(id);
                return IDOK;
            });
            SendMessageW(shown.hwnd(), WM_DROPFILES,
                reinterpret_cast<WPARAM>(testing_support::makeDrop({b, folder.file(L"more"), folder.file(L"none")})), 0);
            EXPECT_EQ((std::vector<std::wstring>{a, b, c, e, d}), shown.basicPage().documents());
            EXPECT_EQ(std::vector<UINT>{IDS_NO_DOCUMENTS_IN_FOLDER}, told);
        });
    }
}

// Files handed over while OK asks its question wait: what was checked is what is confirmed.
TEST(SeveralDocuments, FilesHandedOverDuringTheCheckWaitForItsEnd)
{
    for (const int answer : {IDNO, IDYES}) {
        ScratchSettingsKey scratch;
        ScratchFolder folder;
        const std::wstring a = folder.createFile(L"a.pdf");
        const std::wstring late = folder.createFile(L"late.pdf");
        folder.createFile(L"a.djvu", "AT&T");
        auto arguments = argumentsOf({a});
        ui::SettingsSheet sheet(arguments);
        sheet.setMessageBoxFunction([&](HWND, UINT, UINT, const std::vector<std::wstring>&) {
            sheet.addDocuments({late});
            EXPECT_EQ(a, itemText(sheet.basicPage().hwnd(), IDC_BASIC_INPUT));
            return answer;
        });
        std::wstring shownAfter;
        const INT_PTR result = runSheet(sheet, [&](ui::SettingsSheet& shown) {
            pressOk(shown);
            shownAfter = sheetOpen(shown) ? itemText(shown.basicPage().hwnd(), IDC_BASIC_INPUT) : L"closed";
        });
        if (answer == IDNO) {
            EXPECT_EQ(L"2 documents", shownAfter);
        } else {
            EXPECT_EQ(1, result);
            EXPECT_EQ(std::vector<std::wstring>{late}, sheet.lateDocuments());
            ASSERT_EQ(1u, sheet.queuedDocuments().size());
            EXPECT_EQ(a, sheet.queuedDocuments()[0].input);
        }
    }
}

// The list of documents edited in its dialog: removed with Delete, moved with the buttons.
TEST(SeveralDocuments, TheDocumentListIsEditedInItsDialog)
{
    ui::DocumentListDialog list({L"C:\\a.pdf", L"C:\\b.pdf", L"C:\\c.pdf", L"C:\\d.pdf"});
    const DWORD thread = GetCurrentThreadId();
    std::thread driver([thread] {
        HWND dialog = nullptr;
        for (const DWORD start = GetTickCount(); dialog == nullptr && GetTickCount() - start < 10000; Sleep(10)) {
            EnumThreadWindows(thread, [](HWND window, LPARAM found) {
                if (GetDlgItem(window, IDC_LIST_DOCUMENTS) != nullptr) {
                    *reinterpret_cast<HWND*>(found) = window;
                    return FALSE;
                }
                return TRUE;
            }, reinterpret_cast<LPARAM>(&dialog));
        }
        ASSERT_NE(nullptr, dialog);
        const HWND box = GetDlgItem(dialog, IDC_LIST_DOCUMENTS);
        SendMessageW(box, LB_SETCURSEL, 1, 0); // b
        SendMessageW(box, WM_KEYDOWN, VK_DELETE, 0);
        // c is selected now: down, then the last (d, now third) up twice.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_DOWN, BN_CLICKED), 0);
        SendMessageW(box, LB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_UP, BN_CLICKED), 0);
        EXPECT_EQ(L"3 documents", itemText(dialog, IDC_LIST_COUNT));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_LIST_UP)));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(IDOK, list.show(nullptr));
    driver.join();
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\d.pdf", L"C:\\a.pdf", L"C:\\c.pdf"}), list.documents());
}
