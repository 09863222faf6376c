// The progress dialog driven under the X server with the stand-in converter: the
// dialog runs modally on the test's thread while a driver thread reads its controls
// and presses its buttons, as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/StandInRun.h"
#include "support/RecordingTaskbar.h"
#include "support/DialogDriving.h"
#include "ProgressHarness.h"
#include "converter/ConversionRun.h"
#include "ui/ProgressDialog.h"
#include "res/resource.h"
#include "base/StringTable.h"

using namespace progress_test;

namespace {

constexpr char kPagesScript[] =
    "line Processing pages 1 through 3.\n"
    "line Page 1\n"
    "line Info first\n"
    "line Page 3\n"
    "exit 0\n";

} // namespace

TEST(ProgressDialogRun, SuccessShowsTheFinalState)
{
    DialogHarness harness;
    bool checked = false;
    const converter::RunEnd result = harness.run(kPagesScript, [&](HWND dialog) {
        EXPECT_FALSE(controlEnabled(dialog, IDC_PROGRESS_OPEN_LOG));
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_FINISHED_SUCCESSFULLY));
        EXPECT_EQ(focusOf(dialog), GetDlgItem(dialog, IDCANCEL));
        EXPECT_NE(GetWindowLongW(GetDlgItem(dialog, IDCANCEL), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
        const HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
        EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 3);
        EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 3);
        EXPECT_FALSE(IsWindowEnabled(bar));
        EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_ANIMATION));
        EXPECT_FALSE(controlEnabled(dialog, IDC_PROGRESS_OPEN_LOG)); // no log path
        EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_WARNING_COUNT));
        EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_ERROR_COUNT));
        const std::vector<std::wstring> descriptions = {L"first", L"Finished in 0 seconds."};
        EXPECT_EQ(columnTexts(dialog, 2), descriptions);
        const std::vector<std::wstring> pages = {L"1", L"3"};
        EXPECT_EQ(columnTexts(dialog, 1), pages);
        EXPECT_EQ(cellText(dialog, 0, 0), base::loadString(IDS_TYPE_INFO));
        EXPECT_EQ(rowImage(dialog, 0), 0);
        checked = true;
        pressButton2(dialog);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, converter::RunEnd::Closed);
    EXPECT_EQ(harness.result.exitCode, 0u);
    EXPECT_EQ(harness.result.osError, 0u);
}

TEST(ProgressDialogRun, WarningsGiveTheWarningStatusAndCounter)
{
    DialogHarness harness;
    const converter::RunEnd result = harness.run("line    **** Warning: font missing\nline    substituted\nline Page 2\nexit 0\n",
        [&](HWND dialog) {
            ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_FINISHED_WITH_WARNINGS));
            EXPECT_TRUE(controlVisible(dialog, IDC_PROGRESS_WARNING_COUNT));
            EXPECT_TRUE(controlVisible(dialog, IDC_PROGRESS_WARNING_ICON));
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_WARNING_COUNT), base::formatString(IDS_WARNING_COUNT, {1}));
            EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_ERROR_COUNT));
            ASSERT_GE(rowCount(dialog), 1);
            EXPECT_EQ(cellText(dialog, 0, 2), L"Warning: font missing substituted");
            EXPECT_EQ(cellText(dialog, 0, 0), base::loadString(IDS_TYPE_WARNING));
            EXPECT_EQ(rowImage(dialog, 0), 1);
            pressButton2(dialog);
        });
    EXPECT_EQ(result, converter::RunEnd::Closed);
    EXPECT_EQ(harness.result.exitCode, 0u);
}

TEST(ProgressDialogRun, ErrorExitShowsConversionFailedWithTheErrorCounter)
{
    DialogHarness harness;
    harness.run("line Error: broken\nexit 3\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const std::wstring counter = base::formatString(IDS_ERROR_COUNT, {2}); // the line and "process_error 3"
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_ERROR_COUNT), counter);
        EXPECT_TRUE(controlVisible(dialog, IDC_PROGRESS_ERROR_ICON));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::formatString(IDS_CONVERSION_FAILED, {counter}));
        const std::vector<std::wstring> descriptions = {L"Error: broken", L"Exit code 3.", L"Finished in 0 seconds."};
        EXPECT_EQ(columnTexts(dialog, 2), descriptions);
        EXPECT_EQ(rowImage(dialog, 1), 2);
        pressButton2(dialog);
    });
    EXPECT_EQ(harness.result.exitCode, 3u);
}

TEST(ProgressDialogStop, CancelHonouredShowsCanceled)
{
    DialogHarness harness;
    auto calls = std::make_shared<std::vector<std::string>>();
    harness.taskbarFactory = ([calls](HWND) { return std::make_unique<RecordingTaskbar>(calls); });
    const converter::RunEnd result = harness.run("line Page 1\nsleep 30000\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L'1') != std::wstring::npos; }));
        EXPECT_EQ(controlText(dialog, IDCANCEL), L"&Cancel");
        EXPECT_TRUE(controlEnabled(dialog, IDCANCEL));
        pressButton2(dialog);
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_PROCESS_CANCELED));
        EXPECT_EQ(columnTexts(dialog, 2).front(), L"Canceled by the user.");
        pressButton2(dialog);
    });
    EXPECT_EQ(result, converter::RunEnd::Closed);
    EXPECT_EQ(harness.result.exitCode, converter::kExitCanceled);
    // No page count: indeterminate, then the pending stop as a full paused bar.
    ASSERT_GE(calls->size(), 3u);
    EXPECT_EQ((*calls)[0], "indeterminate");
    EXPECT_EQ((*calls)[1], "paused 1/1");
    EXPECT_EQ(calls->back(), "clear");
}

TEST(ProgressDialogStop, ALogOffWaitsForTheRunAndAnEndingSessionStopsTheConverterFirst)
{
    DialogHarness harness;
    ASSERT_TRUE(harness.openLog());
    LRESULT query = -1;
    bool finishedWhenEnded = false;
    harness.run("line Page 1\nline Info before the log-off\nsleep 30000\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L'1') != std::wstring::npos; }));
        query = SendMessageW(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        // The session ends all the same: the handler returns once the converter has stopped.
        SendMessageW(dialog, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        finishedWhenEnded = runFinished(dialog);
        pressButton2(dialog);
    });
    CloseHandle(harness.logFile);
    EXPECT_EQ(query, FALSE);
    EXPECT_TRUE(finishedWhenEnded);
    EXPECT_EQ(harness.result.exitCode, converter::kExitCanceled);
    const std::string log = readFileBytes(harness.logPath);
    EXPECT_NE(log.find("before the log-off"), std::string::npos) << log;
    DeleteFileW(harness.logPath.c_str());
}

TEST(ProgressDialogStop, IgnoredKillOffersAbortAfterTenSecondsThenTerminates)
{
    DialogHarness harness;
    harness.useFakeClock();
    std::vector<std::wstring> buttonTexts;
    harness.run("kill ignore\nline Page 1\nsleep 60000\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L'1') != std::wstring::npos; }));
        pressButton2(dialog);
        ASSERT_TRUE(waitUntil([&] { return !controlEnabled(dialog, IDCANCEL); }));
        // Escape while stopping changes nothing.
        PostMessageW(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES), WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(100);
        EXPECT_FALSE(controlEnabled(dialog, IDCANCEL));
        EXPECT_EQ(controlText(dialog, IDCANCEL), L"&Cancel");
        harness.clock += converter::kGracefulStopMilliseconds + 1;
        ASSERT_TRUE(waitUntil([&] { return controlEnabled(dialog, IDCANCEL); }));
        EXPECT_EQ(controlText(dialog, IDCANCEL), base::loadString(IDS_ABORT));
        EXPECT_FALSE(runFinished(dialog));
        pressButton2(dialog); // Abort
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const std::wstring counter = base::formatString(IDS_ERROR_COUNT, {1});
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::formatString(IDS_CONVERSION_FAILED, {counter}));
        EXPECT_EQ(columnTexts(dialog, 2).front(), L"Terminated.");
        pressButton2(dialog);
    });
    EXPECT_EQ(harness.result.exitCode, converter::kExitTerminated);
}

// Thousands of rows arrive in batches; at the end every row is there, in order.
TEST(ProgressDialogRun, AFloodArrivesWholeAndInOrder)
{
    DialogHarness harness;
    harness.run("flood 40000 10\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }, 60000));
        ASSERT_EQ(rowCount(dialog), 4001);
        EXPECT_EQ(cellText(dialog, 0, 2), L"Flood message 10");
        EXPECT_EQ(cellText(dialog, 3999, 2), L"Flood message 40000");
        EXPECT_EQ(cellText(dialog, 4000, 2), L"Finished in 0 seconds.");
        EXPECT_TRUE(controlVisible(dialog, IDC_PROGRESS_MESSAGES));
        pressButton2(dialog);
    });
    EXPECT_EQ(harness.result.exitCode, 0u);
}

TEST(ProgressDialogStop, MissingConverterEndsWithThreeAndTheOsError)
{
    DialogHarness harness;
    const converter::RunEnd result = harness.runCommand(
        L"\"" + testDirectory() + L"missing-converter.exe\" --killevent=Korvello_GUI_0 \"in.pdf\" \"out.djvu\"",
        L"Korvello_GUI_0", [](HWND) {});
    EXPECT_EQ(result, converter::RunEnd::NotStarted);
    EXPECT_EQ(harness.result.osError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // What the run driver shows for it: message 222 with the system's text for the error.
    const std::wstring message = base::formatString(IDS_OS_ERROR, {base::formatOsErrorText(harness.result.osError)});
    EXPECT_NE(message.find(base::formatOsErrorText(ERROR_FILE_NOT_FOUND)), std::wstring::npos);
    EXPECT_FALSE(base::formatOsErrorText(ERROR_FILE_NOT_FOUND).empty());
}

TEST(ProgressDialogStop, CloseBoxDuringTheRunCancelsAndEscapeAfterItCloses)
{
    DialogHarness harness;
    auto calls = std::make_shared<std::vector<std::string>>();
    harness.taskbarFactory = ([calls](HWND) { return std::make_unique<RecordingTaskbar>(calls); });
    const converter::RunEnd result = harness.run("line Page 1\nsleep 30000\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L'1') != std::wstring::npos; }));
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_PROCESS_CANCELED));
        PostMessageW(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000));
    });
    EXPECT_EQ(result, converter::RunEnd::Closed);
}

TEST(ProgressDialogStop, EscapeDuringTheRunCancels)
{
    DialogHarness harness;
    harness.run("line Page 1\nsleep 30000\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return controlText(dialog, IDC_PROGRESS_STATUS).find(L'1') != std::wstring::npos; }));
        PostMessageW(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), base::loadString(IDS_PROCESS_CANCELED));
        pressButton2(dialog);
    });
    EXPECT_EQ(harness.result.exitCode, converter::kExitCanceled);
}

// Page counts above 65535 keep their range (the 32-bit range message).
TEST(ProgressDialogRun, ManyPagesKeepTheirRange)
{
    DialogHarness harness;
    harness.run("line Processing pages 1 through 70000.\nline Page 69999\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
        EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 70000);
        EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 70000);
        pressButton2(dialog);
    });
}

TEST(ProgressDialogLog, ACompleteLogIsOfferedAfterTheRun)
{
    DialogHarness harness;
    ASSERT_TRUE(harness.openLog());
    bool openLogEnabled = false;
    harness.run("line Page 1\nline Info logged\nexit 0\n", [&](HWND dialog) {
        EXPECT_FALSE(controlEnabled(dialog, IDC_PROGRESS_OPEN_LOG));
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        openLogEnabled = controlEnabled(dialog, IDC_PROGRESS_OPEN_LOG);
        pressButton2(dialog);
    });
    CloseHandle(harness.logFile);
    EXPECT_TRUE(openLogEnabled);
    DeleteFileW(harness.logPath.c_str());
}

TEST(ProgressDialogStatus, FinalStatusFollowsTheExitCode)
{
    converter::RunOutcome outcome;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::loadString(IDS_FINISHED_SUCCESSFULLY));
    outcome.warningCount = 1;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::loadString(IDS_FINISHED_WITH_WARNINGS));
    outcome.warningCount = 0;
    outcome.errorCount = 2;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::loadString(IDS_FINISHED_WITH_WARNINGS));
    outcome.errorCountText = L"2 Errors";
    outcome.exitCode = converter::kExitCanceled;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::loadString(IDS_PROCESS_CANCELED));
    outcome.exitCode = converter::kExitTerminated;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::formatString(IDS_CONVERSION_FAILED, {std::wstring(L"2 Errors")}));
    outcome.exitCode = 7;
    outcome.errorCountText.clear();
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::formatString(IDS_CONVERSION_FAILED, {std::wstring()}));
    // A failed wait is a failed run.
    outcome.waitFailed = true;
    outcome.exitCode = 0;
    outcome.errorCount = 0;
    EXPECT_EQ(ui::ProgressDialog::finalStatusText(outcome), base::formatString(IDS_CONVERSION_FAILED, {std::wstring()}));
}

TEST(ProgressDialogLayout, CollapsedDialogEndsAtTheListAndExpandsToTheTemplateHeight)
{
    DialogHarness harness;
    harness.run("line Info collapsed\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        // The details start shown; the button hides them.
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_DETAILS), base::loadString(IDS_DETAILS_HIDE));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_DETAILS, BN_CLICKED), 0);
        const RECT collapsed = windowRect(dialog);
        const RECT list = windowRect(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES));
        EXPECT_EQ(collapsed.bottom, list.top);
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_DETAILS), base::loadString(IDS_DETAILS_SHOW));
        EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
        EXPECT_EQ(rowCount(dialog), 2); // the list keeps filling while hidden

        // Collapsed: top and bottom edges and corners are plain border; left and right resize.
        const LPARAM bottomEdge = MAKELPARAM((collapsed.left + collapsed.right) / 2, collapsed.bottom - 1);
        const LPARAM rightEdge = MAKELPARAM(collapsed.right - 1, (collapsed.top + collapsed.bottom) / 2);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, bottomEdge), HTBORDER);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(collapsed.right - 1, collapsed.bottom - 1)), HTBORDER);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, rightEdge), HTRIGHT);

        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_DETAILS, BN_CLICKED), 0);
        const RECT expanded = windowRect(dialog);
        EXPECT_GT(expanded.bottom - expanded.top, collapsed.bottom - collapsed.top);
        EXPECT_GT(expanded.bottom, windowRect(GetDlgItem(dialog, IDC_PROGRESS_OPEN_LOG)).bottom);
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_DETAILS), base::loadString(IDS_DETAILS_HIDE));
        EXPECT_NE(GetWindowLongW(dialog, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
        const LPARAM newBottom = MAKELPARAM((expanded.left + expanded.right) / 2, expanded.bottom - 1);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, newBottom), HTBOTTOM);

        // Made taller while expanded, collapsed and expanded again: the taller height returns.
        RECT taller = expanded;
        taller.bottom += 60;
        SendMessageW(dialog, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&taller));
        SetWindowPos(dialog, nullptr, taller.left, taller.top, taller.right - taller.left, taller.bottom - taller.top,
            SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_DETAILS, BN_CLICKED), 0);
        EXPECT_EQ(windowRect(dialog).bottom - windowRect(dialog).top, collapsed.bottom - collapsed.top);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_DETAILS, BN_CLICKED), 0);
        EXPECT_EQ(windowRect(dialog).bottom - windowRect(dialog).top, expanded.bottom - expanded.top + 60);
        pressButton2(dialog);
    });
}

TEST(ProgressDialogLayout, DraggingStopsAtTheInitialSizeAndControlsFollowTheEdges)
{
    DialogHarness harness;
    harness.run("line Info layout\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const RECT initial = windowRect(dialog);
        const int width = initial.right - initial.left;
        const int height = initial.bottom - initial.top;

        RECT smaller = initial;
        smaller.left += 40;
        smaller.top += 30;
        SendMessageW(dialog, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&smaller));
        EXPECT_EQ(smaller.left, initial.left);
        EXPECT_EQ(smaller.top, initial.top);
        smaller = initial;
        smaller.right -= 40;
        smaller.bottom -= 30;
        SendMessageW(dialog, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&smaller));
        EXPECT_EQ(smaller.right, initial.right);
        EXPECT_EQ(smaller.bottom, initial.bottom);
        EXPECT_EQ(smaller.right - smaller.left, width);
        EXPECT_EQ(smaller.bottom - smaller.top, height);

        const RECT list = controlRect(dialog, IDC_PROGRESS_MESSAGES);
        const RECT button = controlRect(dialog, IDCANCEL);
        const RECT openLog = controlRect(dialog, IDC_PROGRESS_OPEN_LOG);
        const RECT status = controlRect(dialog, IDC_PROGRESS_STATUS);
        const RECT warningIcon = controlRect(dialog, IDC_PROGRESS_WARNING_ICON);
        RECT larger = initial;
        larger.right += 100;
        larger.bottom += 50;
        SendMessageW(dialog, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&larger));
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_MESSAGES).right, list.right + 100);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_MESSAGES).bottom, list.bottom + 50);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_MESSAGES).left, list.left);
        EXPECT_EQ(controlRect(dialog, IDCANCEL).left, button.left + 100);
        EXPECT_EQ(controlRect(dialog, IDCANCEL).top, button.top);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_OPEN_LOG).left, openLog.left + 100);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_OPEN_LOG).top, openLog.top + 50);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_STATUS).right, status.right + 100);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_WARNING_ICON).left, warningIcon.left);
        pressButton2(dialog);
    });
}

TEST(ProgressDialogLayout, MaximiseMovesControlsAndDisablesTheDetailsButtonUntilRestored)
{
    DialogHarness harness;
    harness.run("line Info maximise\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const RECT button = controlRect(dialog, IDCANCEL);
        const RECT list = controlRect(dialog, IDC_PROGRESS_MESSAGES);
        RECT client = {};
        GetClientRect(dialog, &client);
        auto rightMargin = [&](int id) { return client.right - controlRect(dialog, id).right; };
        const int buttonMargin = rightMargin(IDCANCEL);
        const int detailsMargin = rightMargin(IDC_PROGRESS_DETAILS);
        const int animationMargin = rightMargin(IDC_PROGRESS_ANIMATION);
        const int openLogMargin = rightMargin(IDC_PROGRESS_OPEN_LOG);
        const int listMargin = rightMargin(IDC_PROGRESS_MESSAGES);
        const int bottomMargin = client.bottom - list.bottom;
        const int openLogBottomMargin = client.bottom - controlRect(dialog, IDC_PROGRESS_OPEN_LOG).bottom;
        const RECT initialClient = client;

        ShowWindowAsync(dialog, SW_MAXIMIZE);
        ASSERT_TRUE(waitUntil([&] { return IsZoomed(dialog) && !controlEnabled(dialog, IDC_PROGRESS_DETAILS); }));
        GetClientRect(dialog, &client);
        EXPECT_GT(client.right, initialClient.right);
        EXPECT_EQ(rightMargin(IDCANCEL), buttonMargin);
        EXPECT_EQ(rightMargin(IDC_PROGRESS_DETAILS), detailsMargin);
        EXPECT_EQ(rightMargin(IDC_PROGRESS_ANIMATION), animationMargin);
        EXPECT_EQ(rightMargin(IDC_PROGRESS_OPEN_LOG), openLogMargin);
        EXPECT_EQ(rightMargin(IDC_PROGRESS_MESSAGES), listMargin);
        EXPECT_EQ(client.bottom - controlRect(dialog, IDC_PROGRESS_MESSAGES).bottom, bottomMargin);
        EXPECT_EQ(client.bottom - controlRect(dialog, IDC_PROGRESS_OPEN_LOG).bottom, openLogBottomMargin);

        ShowWindowAsync(dialog, SW_RESTORE);
        ASSERT_TRUE(waitUntil([&] { return !IsZoomed(dialog) && controlEnabled(dialog, IDC_PROGRESS_DETAILS); }));
        EXPECT_EQ(controlRect(dialog, IDCANCEL).left, button.left);
        EXPECT_EQ(controlRect(dialog, IDC_PROGRESS_MESSAGES).bottom, list.bottom);
        pressButton2(dialog);
    });
}

TEST(ProgressDialogSort, PageSortsNumericallyThenDescendingAndTextOrdinally)
{
    DialogHarness harness;
    harness.run("line Info alpha\nline Page 9\nline Info Zeta\nline Page 10\nline Info beta\nline Page 2\nline Info Beta\nexit 0\n",
        [&](HWND dialog) {
            ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
            ASSERT_EQ(rowCount(dialog), 5);
            clickColumn(dialog, 1);
            const std::vector<std::wstring> ascending = {L"", L"2", L"2", L"9", L"10"};
            EXPECT_EQ(columnTexts(dialog, 1), ascending);
            clickColumn(dialog, 1);
            const std::vector<std::wstring> descending = {L"10", L"9", L"2", L"2", L""};
            EXPECT_EQ(columnTexts(dialog, 1), descending);
            clickColumn(dialog, 2);
            const std::vector<std::wstring> byText = {L"Beta", L"Finished in 0 seconds.", L"Zeta", L"alpha", L"beta"};
            EXPECT_EQ(columnTexts(dialog, 2), byText);
            clickColumn(dialog, 2);
            const std::vector<std::wstring> byTextDescending(byText.rbegin(), byText.rend());
            EXPECT_EQ(columnTexts(dialog, 2), byTextDescending);
            clickColumn(dialog, 1); // another column starts ascending again
            EXPECT_EQ(columnTexts(dialog, 1), ascending);
            pressButton2(dialog);
        });
}

TEST(ProgressDialogSort, SelectionAndFocusFollowTheirMessages)
{
    DialogHarness harness;
    harness.run("line Info alpha\nline Info Zeta\nline Info beta\nline Info Beta\nexit 0\n", [&](HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
        const HWND list = GetDlgItem(dialog, IDC_PROGRESS_MESSAGES);
        auto setState = [&](int row, UINT state, UINT mask) {
            LVITEMW item = {};
            item.state = state;
            item.stateMask = mask;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        };
        auto rowsWith = [&](UINT flag) {
            std::vector<std::wstring> texts;
            for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, flag))) >= 0;) {
                texts.push_back(cellText(dialog, row, 2));
            }
            return texts;
        };
        setState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); // Zeta
        setState(2, LVIS_SELECTED, LVIS_SELECTED);                                // beta
        clickColumn(dialog, 2); // Beta, Finished..., Zeta, alpha, beta
        EXPECT_EQ(rowsWith(LVNI_SELECTED), (std::vector<std::wstring>{L"Zeta", L"beta"}));
        EXPECT_EQ(rowsWith(LVNI_FOCUSED), (std::vector<std::wstring>{L"Zeta"}));
        clickColumn(dialog, 2);
        EXPECT_EQ(rowsWith(LVNI_SELECTED), (std::vector<std::wstring>{L"beta", L"Zeta"}));
        EXPECT_EQ(rowsWith(LVNI_FOCUSED), (std::vector<std::wstring>{L"Zeta"}));
        pressButton2(dialog);
    });
}

TEST(ProgressDialogJapanese, TextsAndShiftJisOutputInJapanese)
{
    DialogHarness harness;
    // "Info " then a Japanese text written in the Japanese ANSI code page.
    harness.run("encoding 932\nline Info \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE8\xA1\x8C\nexit 0\n",
        [&](HWND dialog) {
            ASSERT_TRUE(waitUntil([&] { return runFinished(dialog); }));
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_STATUS), L"DjVu\u3078\u306E\u5909\u63DB\u304C\u5B8C\u4E86\u3057\u307E\u3057\u305F\u3002");
            EXPECT_EQ(cellText(dialog, 0, 2), L"\u65E5\u672C\u8A9E\u306E\u884C");
            EXPECT_EQ(cellText(dialog, 1, 2), L"0 \u79D2\u3067\u7D42\u4E86\u3057\u307E\u3057\u305F\u3002");
            EXPECT_EQ(cellText(dialog, 0, 0), L"\u60C5\u5831");
            pressButton2(dialog);
        });
}
