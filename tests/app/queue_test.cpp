// A queue of documents through the real progress window and summary with the stand-in
// converter: the queue runs on the test's thread while a driver thread reads the windows
// and presses their buttons, as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/DialogDriving.h"
#include "app/QueueDriver.h"
#include "base/StringTable.h"
#include "res/resource.h"
#include "settings/TestKey.h"
#include "support/QueuedStandIn.h"
#include "support/StandInRun.h"
#include "win/FileSystem.h"

using namespace progress_test;

using testing_support::listCellText;

namespace {

queue::QueuedDocument document(const std::wstring& name, const std::string& script)
{
    return standInDocument(name, script);
}

struct ThreadWindows {
    DWORD thread = 0;
    std::function<bool(HWND)> wanted;
    HWND found = nullptr;
};

HWND findThreadWindow(DWORD thread, std::function<bool(HWND)> wanted)
{
    ThreadWindows search{thread, std::move(wanted)};
    EnumThreadWindows(thread, [](HWND window, LPARAM data) {
        auto& search = *reinterpret_cast<ThreadWindows*>(data);
        if (IsWindowVisible(window) && search.wanted(window)) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring controlText(HWND dialog, int id)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(GetDlgItem(dialog, id), buffer, 512);
    return buffer;
}

void press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Documents handed over while the queue runs: released by the driver, delivered by a
// timer of the queue's own thread (as the collector's window delivers them).
class TestArrivals : public app::QueueArrivals {
public:
    std::vector<queue::QueuedDocument> pending;
    std::atomic<bool> released{false};

    void setListener(std::function<void()> onArrival) override
    {
        listener_ = std::move(onArrival);
        if (listener_) {
            current_ = this;
            timer_ = SetTimer(nullptr, 0, 20, &TestArrivals::tick);
        } else {
            KillTimer(nullptr, timer_);
            current_ = nullptr;
        }
    }
    std::vector<queue::QueuedDocument> take() override { return std::move(pending); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (current_ != nullptr && current_->released.exchange(false) && current_->listener_) {
            current_->listener_();
        }
    }
    static inline TestArrivals* current_ = nullptr;
    std::function<void()> listener_;
    UINT_PTR timer_ = 0;
};

struct SummaryRow {
    std::wstring document;
    std::wstring outcome;
    std::wstring warnings;
    std::wstring errors;
};

class QueueHarness {
public:
    ScratchSettingsKey settingsKey; // the queue keeps its documents under the settings key
    app::QueueResult result;
    std::vector<SummaryRow> summary;
    std::vector<std::wstring> opened;
    ScopedReport report;

    // Runs the queue; driver(progressWindow) acts while it runs, then the summary is read
    // and closed (after summaryDriver, when given).
    std::wstring frontEndPath = standInPath(); // the converter lies beside it

    void run(const app::ConversionRequest& request, const std::function<void(HWND)>& driver,
        app::QueueArrivals* arrivals = nullptr, const std::function<void(HWND)>& summaryDriver = nullptr)
    {
        const DWORD thread = GetCurrentThreadId();
        std::thread driverThread([&] {
            HWND progress = nullptr;
            waitUntil([&] {
                progress = findThreadWindow(thread, [](HWND w) { return GetDlgItem(w, IDC_QUEUE_DOCUMENT) != nullptr; });
                return progress != nullptr;
            }, 5000);
            if (progress != nullptr && driver) {
                driver(progress);
            }
            HWND box = nullptr;
            ASSERT_TRUE(waitUntil([&] {
                box = findThreadWindow(thread, [](HWND w) { return GetDlgItem(w, IDC_SUMMARY_LIST) != nullptr; });
                return box != nullptr;
            }, 60000));
            const HWND list = GetDlgItem(box, IDC_SUMMARY_LIST);
            const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < rows; ++row) {
                summary.push_back({listCellText(list, row, 0), listCellText(list, row, 1), listCellText(list, row, 2),
                    listCellText(list, row, 3)});
            }
            if (summaryDriver) {
                summaryDriver(box);
            }
            press(box, IDCANCEL);
        });
        app::RunDriverServices services;
        services.frontEndPath = frontEndPath;
        services.openOutput = [this](const std::wstring& path) { opened.push_back(path); };
        services.showError = [](const std::wstring&) {};
        result = app::runQueue(request, services, arrivals);
        driverThread.join();
    }
};

std::wstring outcome(UINT id) { return base::loadString(id); }

// Presses the stop button, waits for the question and answers it.
void stopWithAnswer(HWND progress, int answer)
{
    const DWORD thread = GetWindowThreadProcessId(progress, nullptr);
    press(progress, IDCANCEL);
    HWND question = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        question = findThreadWindow(thread, [progress](HWND w) { return GetWindow(w, GW_OWNER) == progress; });
        return question != nullptr;
    }));
    press(question, answer);
}

} // namespace

TEST(Queue, RunsEveryDocumentInOrderPastAFailureWithALogEach)
{
    app::ConversionRequest request;
    request.openAfterConversion = true;
    request.documents = {document(L"alpha", "line Warning: alpha was odd\nline alpha page\n"),
        document(L"bravo", "line bravo trouble\nline Error: bravo broke\nexit 10\n"),
        document(L"charlie", "line charlie page\n")};
    QueueHarness queue;
    queue.run(request, nullptr, nullptr, [&](HWND summary) {
        const HWND list = GetDlgItem(summary, IDC_SUMMARY_LIST);
        LVITEMW state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
        SendMessageW(summary, WM_COMMAND, MAKEWPARAM(IDC_SUMMARY_OPEN_LOG, BN_CLICKED), 0);
        SendMessageW(summary, WM_COMMAND, MAKEWPARAM(IDC_SUMMARY_OPEN_OUTPUT, BN_CLICKED), 0); // none made
    });

    ASSERT_EQ(queue.summary.size(), 3u);
    EXPECT_EQ(queue.summary[0].document, L"alpha.pdf");
    EXPECT_EQ(queue.summary[0].outcome, outcome(IDS_OUTCOME_WITH_WARNINGS));
    EXPECT_EQ(queue.summary[0].warnings, L"1");
    EXPECT_EQ(queue.summary[1].outcome, outcome(IDS_OUTCOME_FAILED));
    EXPECT_EQ(queue.summary[1].errors, L"2"); // its own error line and the exit code
    EXPECT_EQ(queue.summary[2].outcome, outcome(IDS_OUTCOME_CONVERTED));
    EXPECT_EQ(queue.summary[2].errors, L"0");
    EXPECT_EQ(queue.report.count("start"), 3);
    const std::string starts = readFileBytes(queue.report.path());
    EXPECT_LT(starts.find("alpha.djvu"), starts.find("bravo.djvu"));
    EXPECT_LT(starts.find("bravo.djvu"), starts.find("charlie.djvu"));

    const std::string alphaLog = readFileBytes(request.documents[0].logPath);
    const std::string bravoLog = readFileBytes(request.documents[1].logPath);
    EXPECT_NE(alphaLog.find("alpha page"), std::string::npos);
    EXPECT_EQ(alphaLog.find("bravo"), std::string::npos);
    EXPECT_NE(bravoLog.find("bravo trouble"), std::string::npos);
    EXPECT_EQ(bravoLog.find("alpha"), std::string::npos);
    EXPECT_NE(readFileBytes(request.documents[2].logPath).find("charlie page"), std::string::npos);

    EXPECT_FALSE(queue.result.endProgram);
    EXPECT_EQ(queue.result.notConverted, std::vector<std::wstring>{request.documents[1].input});
    // The first converted document's folder once, then bravo's log from the summary.
    EXPECT_EQ(queue.opened, (std::vector<std::wstring>{win::folderOf(request.documents[0].output),
                                request.documents[1].logPath}));
}

TEST(Queue, ADocumentArrivingWhileItRunsJoinsAndTheTotalGrows)
{
    app::ConversionRequest request;
    request.documents = {document(L"first", "sleep 3000\n"), document(L"second", "line second\n")};
    TestArrivals arrivals;
    arrivals.pending = {document(L"third", "line third\n")};
    std::wstring before;
    std::wstring after;
    QueueHarness queue;
    queue.run(request, [&](HWND progress) {
        waitUntil([&] { return !controlText(progress, IDC_QUEUE_DOCUMENT).empty(); });
        before = controlText(progress, IDC_QUEUE_DOCUMENT);
        arrivals.released = true;
        waitUntil([&] { return controlText(progress, IDC_QUEUE_DOCUMENT) != before; });
        after = controlText(progress, IDC_QUEUE_DOCUMENT);
    }, &arrivals);

    EXPECT_EQ(before, base::formatString(IDS_QUEUE_DOCUMENT, {1, 2, std::wstring(L"first.pdf")}));
    EXPECT_EQ(after, base::formatString(IDS_QUEUE_DOCUMENT, {1, 3, std::wstring(L"first.pdf")}));
    ASSERT_EQ(queue.summary.size(), 3u);
    EXPECT_EQ(queue.summary[2].document, L"third.pdf");
    EXPECT_EQ(queue.summary[2].outcome, outcome(IDS_OUTCOME_CONVERTED));
    EXPECT_EQ(queue.report.count("start"), 3);
    EXPECT_TRUE(queue.result.endProgram);
}

TEST(Queue, StoppingOnlyThisDocumentGoesOnWithTheNext)
{
    app::ConversionRequest request;
    request.documents = {document(L"long", "sleep 30000\n"), document(L"short", "line short\n")};
    QueueHarness queue;
    queue.run(request, [](HWND progress) { stopWithAnswer(progress, IDC_STOP_DOCUMENT); });

    ASSERT_EQ(queue.summary.size(), 2u);
    EXPECT_EQ(queue.summary[0].outcome, outcome(IDS_OUTCOME_CANCELLED));
    EXPECT_EQ(queue.summary[1].outcome, outcome(IDS_OUTCOME_CONVERTED));
    EXPECT_EQ(queue.report.count("kill"), 1);
    EXPECT_EQ(queue.report.count("start"), 2);
    EXPECT_EQ(queue.result.notConverted, std::vector<std::wstring>{request.documents[0].input});
}

TEST(Queue, TheTimeLineAddsTheQueuesTimeLeft)
{
    app::ConversionRequest request;
    request.documents = {document(L"one", "pages 6 120\n"), document(L"two", "pages 6 120\n"),
        document(L"three", "pages 6 120\n")};
    QueueHarness queue;
    std::wstring seen;
    queue.run(request, [&](HWND progress) {
        EXPECT_TRUE(waitUntil([&] {
            wchar_t text[256] = {};
            GetDlgItemTextW(progress, IDC_PROGRESS_TIME, text, 256);
            seen = text;
            return seen.find(L"Queue: about") != std::wstring::npos;
        }, 30000)) << "last seen: " << std::string(seen.begin(), seen.end());
    });
    ASSERT_EQ(queue.summary.size(), 3u);
    EXPECT_EQ(queue.summary[2].outcome, outcome(IDS_OUTCOME_CONVERTED));
}

TEST(Queue, TheSummaryFollowsAChangeOfDpi)
{
    app::ConversionRequest request;
    request.documents = {document(L"uno", "line one\n"), document(L"dos", "line two\n")};
    QueueHarness queue;
    int before = 0;
    int after = 0;
    queue.run(request, nullptr, nullptr, [&](HWND summary) {
        const HWND list = GetDlgItem(summary, IDC_SUMMARY_LIST);
        before = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        RECT rect = {};
        GetWindowRect(summary, &rect);
        SendMessageW(summary, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&rect));
        after = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    });
    EXPECT_GT(before, 0);
    EXPECT_EQ(after, before * 2);
}
