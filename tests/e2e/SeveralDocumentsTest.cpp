// Front ends started the way the file manager starts them for several selected files
// (one process per file, nearly at once): one sheet, one queue, a summary; a file joining
// a running queue; a collector ended by force while a newcomer hands over.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "E2eSupport.h"
#include "win/Handle.h"
#include "res/resource.h"

namespace {

using Processes = std::vector<std::unique_ptr<GuiProcess>>;

// Starts one front end per file, as fast as processes start.
Processes startTogether(const Installation& installation, const std::vector<std::wstring>& files)
{
    Processes processes;
    for (const std::wstring& file : files) {
        processes.push_back(std::make_unique<GuiProcess>(installation.gui(), std::vector<std::wstring>{file}));
    }
    return processes;
}

// The one process that shows a sheet; every other one ends with 0 without a window.
GuiProcess* theCollector(Processes& processes, HWND& sheet)
{
    GuiProcess* collector = nullptr;
    for (const DWORD start = GetTickCount(); collector == nullptr && GetTickCount() - start < 30000;) {
        for (auto& process : processes) {
            if (const HWND found = process->waitForSheet(0)) {
                collector = process.get();
                sheet = found;
                break;
            }
        }
        Sleep(20);
    }
    for (auto& process : processes) {
        if (process.get() != collector) {
            EXPECT_EQ(0u, process->waitForExit(10000).value_or(12345));
        }
    }
    return collector;
}

std::vector<std::wstring> documentsOf(const std::vector<std::vector<std::wstring>>& rows)
{
    std::vector<std::wstring> names;
    for (const auto& row : rows) {
        names.push_back(row[0]);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Waits (up to 5 s) until the sheet's input box reads text: files still on their way join.
void waitForInput(HWND sheet, const std::wstring& text)
{
    for (const DWORD wait = GetTickCount(); GetTickCount() - wait < 5000 && itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT) != text;) {
        Sleep(20);
    }
}

// Ends the front end by force with the converter it runs, as the system ends the
// converter's job with its front end (Wine leaves it running, holding the test's output).
void endWithItsConverter(GuiProcess& process)
{
    // The window shows before its converter starts: wait for the converter.
    std::vector<DWORD> children;
    for (const DWORD start = GetTickCount(); children.empty() && GetTickCount() - start < 10000; Sleep(20)) {
        const win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
            if (entry.th32ParentProcessID == process.processId() && lstrcmpiW(entry.szExeFile, L"korvello.exe") == 0) {
                children.push_back(entry.th32ProcessID);
            }
        }
    }
    EXPECT_FALSE(children.empty());
    process.terminate();
    for (const DWORD child : children) {
        const win::UniqueHandle converter(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child));
        if (converter) {
            TerminateProcess(converter.get(), 99);
            WaitForSingleObject(converter.get(), 5000);
        }
    }
}

} // namespace

TEST(SeveralDocuments, FrontEndsStartedTogetherShowOneSheetAndConvertEveryFileOnce)
{
    for (const int count : {3, 20}) {
        CleanSettingsKey settings;
        settings.setDword(L"OpenDjVuAfterConversion", 0);
        Installation installation;
        installation.useScript("line Processing pages 1 through 1.\nline Page 1\n");
        std::vector<std::wstring> files;
        std::vector<std::wstring> names;
        for (int i = 1; i <= count; ++i) {
            names.push_back(L"doc " + std::to_wstring(i) + L".pdf");
            files.push_back(installation.writeFile(names.back(), "%PDF-1.4\n"));
        }
        std::sort(names.begin(), names.end());
        const DWORD start = GetTickCount();
        Processes processes = startTogether(installation, files);
        const DWORD started = GetTickCount() - start;
        HWND sheet = nullptr;
        GuiProcess* collector = theCollector(processes, sheet);
        ASSERT_NE(nullptr, collector) << count << " started in " << started << " ms";
        // Files still on their way join the open sheet.
        const std::wstring expected = std::to_wstring(count) + L" documents";
        for (const DWORD wait = GetTickCount(); GetTickCount() - wait < 5000
             && itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT) != expected;) {
            Sleep(20);
        }
        EXPECT_EQ(expected, itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT)) << count << " started in " << started << " ms";
        pressButton(sheet, IDOK);

        const HWND summary = collector->waitForSummary();
        ASSERT_NE(nullptr, summary);
        const auto rows = listRowsOf(GetDlgItem(summary, IDC_SUMMARY_LIST), 2);
        EXPECT_EQ(names, documentsOf(rows));
        for (const auto& row : rows) {
            EXPECT_EQ(L"Converted", row[1]);
        }
        pressButton(summary, IDCANCEL);
        EXPECT_EQ(1u, collector->waitForExit(20000).value_or(12345));
        for (int i = 1; i <= count; ++i) {
            EXPECT_TRUE(installation.exists(L"doc " + std::to_wstring(i) + L".djvu")) << i;
        }
    }
}

TEST(SeveralDocuments, AFileJoinsARunningQueueAndOnceItEndedANewcomerRunsAlone)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    installation.useScript("line Processing pages 1 through 1.\nsleep 1500\nline Page 1\n");
    Processes processes = startTogether(installation,
        {installation.writeFile(L"a.pdf", "%PDF-1.4\n"), installation.writeFile(L"b.pdf", "%PDF-1.4\n")});
    HWND sheet = nullptr;
    GuiProcess* collector = theCollector(processes, sheet);
    ASSERT_NE(nullptr, collector);
    waitForInput(sheet, L"2 documents");
    pressButton(sheet, IDOK);
    const HWND progress = collector->waitForQueueProgress();
    ASSERT_NE(nullptr, progress);

    GuiProcess joining(installation.gui(), {installation.writeFile(L"c.pdf", "%PDF-1.4\n")});
    EXPECT_EQ(0u, joining.waitForExit(10000).value_or(12345));
    // The progress shows the new total.
    for (const DWORD wait = GetTickCount(); GetTickCount() - wait < 5000
         && itemTextOf(progress, IDC_QUEUE_DOCUMENT).find(L" of 3: ") == std::wstring::npos;) {
        Sleep(20);
    }
    EXPECT_NE(std::wstring::npos, itemTextOf(progress, IDC_QUEUE_DOCUMENT).find(L" of 3: "))
        << itemTextOf(progress, IDC_QUEUE_DOCUMENT);

    const HWND summary = collector->waitForSummary();
    ASSERT_NE(nullptr, summary);
    EXPECT_EQ((std::vector<std::wstring>{L"a.pdf", L"b.pdf", L"c.pdf"}),
        documentsOf(listRowsOf(GetDlgItem(summary, IDC_SUMMARY_LIST), 1)));

    // The queue has ended: a newcomer shows its own sheet with its own file.
    const std::wstring late = installation.writeFile(L"late.pdf", "%PDF-1.4\n");
    GuiProcess newcomer(installation.gui(), {late});
    const HWND ownSheet = newcomer.waitForSheet();
    ASSERT_NE(nullptr, ownSheet);
    EXPECT_EQ(late, itemTextOf(sheetPage(ownSheet, 0), IDC_BASIC_INPUT));
    pressButton(ownSheet, IDCANCEL);
    pressButton(summary, IDCANCEL);
    EXPECT_EQ(1u, collector->waitForExit(20000).value_or(12345));
}

TEST(SeveralDocuments, ANewcomerWhoseCollectorWasEndedByForceKeepsItsFile)
{
    CleanSettingsKey settings;
    Installation installation;
    GuiProcess first(installation.gui(), {installation.writeFile(L"a.pdf", "%PDF-1.4\n")});
    ASSERT_NE(nullptr, first.waitForSheet());
    const std::wstring file = installation.writeFile(L"b.pdf", "%PDF-1.4\n");
    first.terminate();
    GuiProcess newcomer(installation.gui(), {file});
    const HWND sheet = newcomer.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(file, itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT));
    pressButton(sheet, IDCANCEL);
    EXPECT_TRUE(newcomer.waitForExit().has_value());
}

// A file handed over while OK's question is open on a sheet of several documents is
// converted with them.
TEST(SeveralDocuments, AFileHandedOverDuringOksQuestionIsConverted)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    installation.useScript("line Processing pages 1 through 1.\nline Page 1\n");
    installation.writeFile(L"a.djvu", "AT&T");
    Processes processes = startTogether(installation,
        {installation.writeFile(L"a.pdf", "%PDF-1.4\n"), installation.writeFile(L"b.pdf", "%PDF-1.4\n")});
    HWND sheet = nullptr;
    GuiProcess* collector = theCollector(processes, sheet);
    ASSERT_NE(nullptr, collector);
    waitForInput(sheet, L"2 documents");
    pressButton(sheet, IDOK);
    const HWND question = collector->waitForMessageBox();
    ASSERT_NE(nullptr, question);
    GuiProcess joining(installation.gui(), {installation.writeFile(L"c.pdf", "%PDF-1.4\n")});
    EXPECT_EQ(0u, joining.waitForExit(10000).value_or(12345));
    pressButton(question, IDYES);

    const HWND summary = collector->waitForSummary();
    ASSERT_NE(nullptr, summary);
    const auto rows = listRowsOf(GetDlgItem(summary, IDC_SUMMARY_LIST), 2);
    EXPECT_EQ((std::vector<std::wstring>{L"a.pdf", L"b.pdf", L"c.pdf"}), documentsOf(rows));
    for (const auto& row : rows) {
        EXPECT_EQ(L"Converted", row[1]) << row[0];
    }
    pressButton(summary, IDCANCEL);
    EXPECT_EQ(1u, collector->waitForExit(20000).value_or(12345));
    EXPECT_TRUE(installation.exists(L"c.djvu"));
}

// The sheet's own document handed over again while OK's question is open (the same file
// started twice) is converted once, as the one document it is: no queue, no summary.
TEST(SeveralDocuments, TheSheetsOwnDocumentHandedOverAgainStaysOneRun)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    installation.useScript("line Processing pages 1 through 1.\nline Page 1\n");
    installation.writeFile(L"a.djvu", "AT&T");
    const std::wstring file = installation.writeFile(L"a.pdf", "%PDF-1.4\n");
    GuiProcess first(installation.gui(), {file});
    const HWND sheet = first.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    pressButton(sheet, IDOK);
    const HWND question = first.waitForMessageBox();
    ASSERT_NE(nullptr, question);
    GuiProcess again(installation.gui(), {file});
    EXPECT_EQ(0u, again.waitForExit(10000).value_or(12345));
    pressButton(question, IDYES);

    const HWND progress = first.waitForFinishedProgress();
    ASSERT_NE(nullptr, progress);
    EXPECT_EQ(nullptr, GetDlgItem(progress, IDC_QUEUE_DOCUMENT));
    pressButton(progress, IDCANCEL); // the button that reads "OK" once the run is over
    EXPECT_EQ(1u, first.waitForExit(20000).value_or(12345));
}

// A front end started later beside a sheet of one document whose output name was typed
// shows a sheet of its own; the typed name stays.
TEST(SeveralDocuments, ANewcomerBesideATypedOutputNameShowsItsOwnSheet)
{
    CleanSettingsKey settings;
    Installation installation;
    const std::wstring a = installation.writeFile(L"a.pdf", "%PDF-1.4\n");
    GuiProcess first(installation.gui(), {a});
    const HWND sheet = first.waitForSheet();
    ASSERT_NE(nullptr, sheet);
    const std::wstring typed = installation.path(L"my book.djvu");
    setItemTextOf(sheetPage(sheet, 0), IDC_BASIC_OUTPUT, typed);

    const std::wstring b = installation.writeFile(L"b.pdf", "%PDF-1.4\n");
    GuiProcess newcomer(installation.gui(), {b});
    const HWND ownSheet = newcomer.waitForSheet();
    ASSERT_NE(nullptr, ownSheet);
    EXPECT_EQ(b, itemTextOf(sheetPage(ownSheet, 0), IDC_BASIC_INPUT));
    EXPECT_EQ(a, itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT));
    EXPECT_EQ(typed, itemTextOf(sheetPage(sheet, 0), IDC_BASIC_OUTPUT));
    pressButton(ownSheet, IDCANCEL);
    pressButton(sheet, IDCANCEL);
    EXPECT_EQ(0u, newcomer.waitForExit(20000).value_or(12345));
    EXPECT_EQ(0u, first.waitForExit(20000).value_or(12345));
}

// A queue ended by force: the next start names the stored document that no longer exists
// and offers the others.
TEST(SeveralDocuments, AQueueEndedByForceIsOfferedAtTheNextStart)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation;
    installation.useScript("line Processing pages 1 through 1.\nline Page 1\nsleep 3000\n");
    const std::wstring a = installation.writeFile(L"a.pdf", "%PDF-1.4\n");
    const std::wstring b = installation.writeFile(L"b.pdf", "%PDF-1.4\n");
    const std::wstring c = installation.writeFile(L"c.pdf", "%PDF-1.4\n");
    Processes processes = startTogether(installation, {a, b, c});
    HWND sheet = nullptr;
    GuiProcess* collector = theCollector(processes, sheet);
    ASSERT_NE(nullptr, collector);
    waitForInput(sheet, L"3 documents");
    pressButton(sheet, IDOK);
    ASSERT_NE(nullptr, collector->waitForQueueProgress());
    endWithItsConverter(*collector);
    DeleteFileW(c.c_str());

    GuiProcess next(installation.gui(), {});
    const HWND missing = next.waitForMessageBox();
    ASSERT_NE(nullptr, missing);
    EXPECT_NE(std::wstring::npos, messageBoxText(missing).find(c)) << messageBoxText(missing);
    pressButton(missing, IDOK);
    for (const DWORD wait = GetTickCount(); IsWindow(missing) && GetTickCount() - wait < 5000;) {
        Sleep(20);
    }
    const HWND question = next.waitForMessageBox();
    ASSERT_NE(nullptr, question);
    EXPECT_EQ(L"2 documents were not converted last time. Convert them now?", messageBoxText(question));
    pressButton(question, IDYES);
    const HWND summary = next.waitForSummary();
    ASSERT_NE(nullptr, summary);
    EXPECT_EQ((std::vector<std::wstring>{L"a.pdf", L"b.pdf"}), documentsOf(listRowsOf(GetDlgItem(summary, IDC_SUMMARY_LIST), 1)));
    pressButton(summary, IDCANCEL);
    EXPECT_EQ(1u, next.waitForExit(20000).value_or(12345));
    EXPECT_TRUE(installation.exists(L"b.djvu"));
}
