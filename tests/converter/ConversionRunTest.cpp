// The run without a window: the stand-in converter through the real pipe and worker,
// behind a view that records what it is handed on a thread of its own; and the batching
// of the worker's output.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/StandInRun.h"
#include "support/RecordingTaskbar.h"
#include "converter/ConversionRun.h"
#include "converter/OutputBatcher.h"
#include "converter/RunTime.h"
#include "res/resource.h"
#include "win/ErrorMessage.h"
#include "base/StringTable.h"

using namespace progress_test;

namespace {

// A view without a window: present() takes the run's updates on the test's thread until
// the final state has been shown, calling the driver between them.
class RecordingRunView : public converter::RunView {
public:
    converter::RunEnd present(converter::ConversionRun& run) override
    {
        run_ = &run;
        times.start(GetTickCount());
        if (!run.start(&taskbar)) {
            return converter::RunEnd::NotStarted;
        }
        std::unique_lock lock(mutex_);
        while (!ended_) {
            changed_.wait_for(lock, std::chrono::milliseconds(5), [this] { return woken_; });
            if (woken_) {
                woken_ = false;
                lock.unlock();
                if (const std::optional<converter::RunUpdate> update = run.takeUpdate()) {
                    show(*update);
                }
                lock.lock();
            } else if (driver) {
                lock.unlock();
                driver(run);
                lock.lock();
            }
        }
        run.windowEnded();
        return end_;
    }
    void wakeViewThread() override
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }
    void show(const converter::RunUpdate& update)
    {
        ++batches;
        times.take(update);
        if (update.positionSet) {
            estimates.push_back({times.pages().pagesDone(), times.timeLeft(update.positionTick)});
        }
        for (const converter::MessageRow& row : update.rows) {
            rows.push_back(row);
        }
        if (update.rangeSet) {
            range = update.range;
        }
        if (update.statusSet) {
            status = update.status;
        }
        abortOffers += update.abortOffered ? 1 : 0;
        if (update.outcome) {
            finishedWhenShown = run_->finished();
            outcome = *update.outcome;
            ended_ = true;
            end_ = converter::RunEnd::Closed;
        }
        if (update.startFailed) {
            ended_ = true;
            end_ = converter::RunEnd::NotStarted;
        }
    }
    std::vector<std::wstring> descriptions() const
    {
        std::vector<std::wstring> texts;
        for (const converter::MessageRow& row : rows) {
            texts.push_back(row.description);
        }
        return texts;
    }

    std::shared_ptr<std::vector<std::string>> calls = std::make_shared<std::vector<std::string>>();
    RecordingTaskbar taskbar{calls};
    std::function<void(converter::ConversionRun&)> driver; // the user, between the run's updates
    std::vector<converter::MessageRow> rows;
    int batches = 0;
    int range = 0;
    std::wstring status;
    int abortOffers = 0;
    converter::RunOutcome outcome;
    bool finishedWhenShown = false;
    converter::RunTimes times;
    struct Estimate {
        int pagesDone;
        converter::TimeLeft left;
    };
    std::vector<Estimate> estimates; // at each page line handed over

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
    bool ended_ = false; // only touched on the view's thread
    converter::RunEnd end_ = converter::RunEnd::NotShown;
    const converter::ConversionRun* run_ = nullptr;
};

struct RunHarness {
    converter::RunResult play(const std::string& script)
    {
        setup.killEventName = uniqueKillEventName();
        setup.commandLine = standInCommandLine(setup.killEventName, writeScript(script),
            temporaryDirectory() + L"conversion_run_out.djvu");
        return run.run(setup, view);
    }
    converter::ConversionRun run{testDirectory() + L"test-langmap.txt"};
    converter::RunSetup setup;
    RecordingRunView view;
};

} // namespace

TEST(ConversionRun, TheTaskbarFollowsTheRunAndIsClearedWithTheWindow)
{
    RunHarness harness;
    const converter::RunResult result = harness.play(
        "line Processing pages 1 through 3.\nline Page 1\nsleep 300\nline Error: broken\nline Page 3\nexit 3\n");
    EXPECT_EQ(result.end, converter::RunEnd::Closed);
    EXPECT_EQ(result.exitCode, 3u);
    EXPECT_EQ(harness.view.range, 3);
    EXPECT_TRUE(harness.view.finishedWhenShown);
    const std::vector<std::string> expected = {
        "indeterminate", "progress 0/3", "progress 2/3", "error 2/3", "error 3/3", "clear"};
    EXPECT_EQ(*harness.view.calls, expected);
}

TEST(ConversionRun, AStopRequestEndsTheRunCanceledAndThenTheRunCountsAsFinished)
{
    RunHarness harness;
    bool asked = false;
    harness.view.driver = [&](converter::ConversionRun& run) {
        EXPECT_FALSE(run.finished());
        if (!asked && harness.view.status.find(L'1') != std::wstring::npos) {
            run.requestStop();
            asked = true;
        }
    };
    const converter::RunResult result = harness.play("line Page 1\nsleep 30000\nexit 0\n");
    EXPECT_TRUE(asked);
    EXPECT_EQ(result.exitCode, converter::kExitCanceled);
    EXPECT_EQ(harness.view.outcome.exitCode, converter::kExitCanceled);
    ASSERT_FALSE(harness.view.rows.empty());
    EXPECT_EQ(harness.view.rows.front().description, L"Canceled by the user.");
    EXPECT_TRUE(harness.run.finished());
    EXPECT_EQ((*harness.view.calls)[1], "paused 1/1");
}

TEST(ConversionRun, AFloodArrivesWholeAndInOrderWhileItFlows)
{
    RunHarness harness;
    harness.play("flood 40000 10\nexit 0\n");
    ASSERT_EQ(harness.view.rows.size(), 4001u);
    EXPECT_EQ(harness.view.rows[0].description, L"Flood message 10");
    EXPECT_EQ(harness.view.rows[3999].description, L"Flood message 40000");
    EXPECT_GT(harness.view.batches, 1); // shown as it comes, not all at the end
}

TEST(ConversionRun, AMissingConverterEndsNotStartedWithTheOsError)
{
    RunHarness harness;
    harness.setup.commandLine = L"\"" + testDirectory() + L"missing-converter.exe\" --killevent=Korvello_GUI_0";
    harness.setup.killEventName = L"Korvello_GUI_0";
    const converter::RunResult result = harness.run.run(harness.setup, harness.view);
    EXPECT_EQ(result.end, converter::RunEnd::NotStarted);
    EXPECT_EQ(result.osError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(harness.view.rows.empty());
}

TEST(ConversionRunLog, TheLogHoldsTheConverterLinesAndIsOffered)
{
    RunHarness harness;
    harness.setup.logPath = temporaryDirectory() + L"conversion_run_" + uniqueSuffix() + L".log";
    harness.setup.logFile = CreateFileW(harness.setup.logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(harness.setup.logFile, INVALID_HANDLE_VALUE);
    harness.play("line Page 1\nline Info logged\nexit 0\n");
    CloseHandle(harness.setup.logFile);
    EXPECT_TRUE(harness.view.outcome.logComplete);
    EXPECT_EQ(readFileBytes(harness.setup.logPath), "\xEF\xBB\xBFPage 1\r\nInfo logged\r\n");
    DeleteFileW(harness.setup.logPath.c_str());
}

// A log path that cannot be written (here an existing folder): one warning row with the
// path and the system's reason, and no complete log to offer.
TEST(ConversionRunLog, AnUnwritableLogIsSaidAndNotOffered)
{
    RunHarness harness;
    harness.setup.logPath = temporaryDirectory();
    const HANDLE file = CreateFileW(harness.setup.logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(file, INVALID_HANDLE_VALUE);
    harness.setup.logOpenError = GetLastError();
    harness.play("line Page 1\nline Info shown\nexit 0\n");
    EXPECT_FALSE(harness.view.outcome.logComplete);
    EXPECT_EQ(harness.view.outcome.warningCount, 1);
    ASSERT_EQ(harness.view.rows.size(), 3u);
    EXPECT_EQ(harness.view.rows[0].type, converter::MessageType::Warn);
    EXPECT_EQ(harness.view.rows[0].description, base::formatString(IDS_LOG_UNWRITABLE,
        {harness.setup.logPath, base::formatOsErrorText(harness.setup.logOpenError)}));
}

namespace {

struct Batches {
    DWORD clock = 1000;
    std::vector<converter::RunUpdate> handed;
    converter::OutputBatcher batcher{[this](converter::RunUpdate& batch) { handed.push_back(batch); },
        [this] { return clock; }};
};

} // namespace

TEST(OutputBatcher, HandsOverAtTheRowLimitAndWhenTheFirstChangeIsOld)
{
    Batches b;
    for (size_t i = 0; i < converter::OutputBatcher::kMaxRowsPerBatch - 1; ++i) {
        b.batcher.addMessageRow(converter::MessageType::Info, L"", L"row");
    }
    EXPECT_TRUE(b.handed.empty());
    b.batcher.addMessageRow(converter::MessageType::Info, L"", L"row");
    ASSERT_EQ(b.handed.size(), 1u);
    EXPECT_EQ(b.handed[0].rows.size(), converter::OutputBatcher::kMaxRowsPerBatch);
    EXPECT_TRUE(b.handed[0].moreComing);

    b.batcher.setStatusText(L"Page 1");
    b.clock += converter::OutputBatcher::kMaxBatchMilliseconds - 1;
    b.batcher.setProgressPosition(1);
    EXPECT_EQ(b.handed.size(), 1u);
    b.clock += 1;
    b.batcher.setProgressPosition(2);
    ASSERT_EQ(b.handed.size(), 2u);
    EXPECT_TRUE(b.handed[1].statusSet);
    EXPECT_EQ(b.handed[1].position, 2);
    EXPECT_TRUE(b.handed[1].rows.empty());
}

TEST(OutputBatcher, APauseAfterFlowingOutputHandsOverOnceEvenWhenEmpty)
{
    Batches b;
    b.batcher.flush(false);
    EXPECT_TRUE(b.handed.empty()); // nothing collected, nothing pending
    b.batcher.addMessageRow(converter::MessageType::Warn, L"3", L"w");
    b.batcher.flush(true);
    ASSERT_EQ(b.handed.size(), 1u);
    b.batcher.flush(true);
    EXPECT_EQ(b.handed.size(), 1u);
    b.batcher.flush(false); // output paused: the display may repaint now
    ASSERT_EQ(b.handed.size(), 2u);
    EXPECT_FALSE(b.handed[1].moreComing);
    EXPECT_TRUE(b.handed[1].rows.empty());
    b.batcher.flush(false);
    EXPECT_EQ(b.handed.size(), 2u);
}

// Batches the view has not yet taken are merged: the merged batch shows what the two
// would have shown one after the other.
TEST(OutputBatcher, AMergedBatchShowsWhatTheTwoWouldShowInTurn)
{
    converter::RunUpdate first;
    first.rangeSet = true;
    first.range = 3;
    first.statusSet = true;
    first.status = L"Page 1";
    first.showWarningCounter = true;
    first.rows.push_back({converter::MessageType::Warn, L"1", L"one"});
    first.moreComing = true;
    converter::RunUpdate later;
    later.positionSet = true;
    later.position = 2;
    later.statusSet = true;
    later.status = L"Page 2";
    later.rows.push_back({converter::MessageType::Info, L"2", L"two"});
    first.absorb(later);
    EXPECT_TRUE(first.rangeSet && first.positionSet && first.showWarningCounter);
    EXPECT_EQ(first.range, 3);
    EXPECT_EQ(first.position, 2);
    EXPECT_EQ(first.status, L"Page 2");
    ASSERT_EQ(first.rows.size(), 2u);
    EXPECT_EQ(first.rows[1].description, L"two");
    EXPECT_FALSE(first.moreComing); // output has paused since
    EXPECT_TRUE(later.rows.empty());

    // The run's events add up the same way: an Abort offer stays, the outcome arrives.
    converter::RunUpdate abortOffer;
    abortOffer.abortOffered = true;
    first.absorb(abortOffer);
    converter::RunUpdate end;
    end.outcome = converter::RunOutcome{};
    end.outcome->exitCode = 7;
    first.absorb(end);
    EXPECT_TRUE(first.abortOffered);
    ASSERT_TRUE(first.outcome.has_value());
    EXPECT_EQ(first.outcome->exitCode, 7u);
}

// ---- Time left, pause and background priority, with the stand-in's page times ----------

namespace {

// The stand-in's process (korvello.exe started by this test program).
DWORD standInProcessId()
{
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(entry.szExeFile, L"korvello.exe") == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

} // namespace

TEST(ConversionRunTime, TheTimeLeftComesAfterTwoPagesFromTheScriptedPageTimes)
{
    RunHarness harness;
    harness.play("pages 6 150\nexit 0\n");
    ASSERT_GE(harness.view.estimates.size(), 3u);
    for (const auto& estimate : harness.view.estimates) {
        EXPECT_EQ(estimate.left.known, estimate.pagesDone >= 2) << estimate.pagesDone;
        if (estimate.left.known) {
            // At a page line: the pages left at no less than the scripted 150 ms each
            // (the tick counter's step allowed for).
            EXPECT_GE(estimate.left.milliseconds, static_cast<DWORD>((6 - estimate.pagesDone) * 130));
        }
    }
    EXPECT_EQ(harness.view.estimates.back().pagesDone, 5);
}

TEST(ConversionRunTime, AConverterWithoutPageLinesGetsNoEstimate)
{
    RunHarness harness;
    harness.play("line Processing pages 1 through 4.\nline Info one\nsleep 200\nline Info two\nexit 0\n");
    EXPECT_TRUE(harness.view.estimates.empty());
    EXPECT_FALSE(harness.view.times.timeLeft(GetTickCount()).known);
}

TEST(ConversionRunPause, APausedConverterWritesNothingUntilItIsResumed)
{
    ScopedReport report;
    RunHarness harness;
    int pagesAtPause = -1;
    int pagesAfterPause = -1;
    harness.view.driver = [&](converter::ConversionRun& run) {
        if (pagesAtPause < 0 && report.count("page ") >= 3) {
            ASSERT_TRUE(run.setPaused(true));
            EXPECT_TRUE(run.paused());
            pagesAtPause = report.count("page ");
            Sleep(800); // eight pages' time
            pagesAfterPause = report.count("page ");
            ASSERT_TRUE(run.setPaused(false));
        }
    };
    const converter::RunResult result = harness.play("pages 12 100\nexit 0\n");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(pagesAfterPause, pagesAtPause);
    EXPECT_EQ(report.count("page "), 12);
    // The taskbar showed the pause.
    EXPECT_NE(std::find_if(harness.view.calls->begin(), harness.view.calls->end(),
                  [](const std::string& call) { return call.rfind("paused ", 0) == 0; }),
        harness.view.calls->end());
}

TEST(ConversionRunPause, CancelWhilePausedResumesFirstAndStopsOnTheKillEvent)
{
    ScopedReport report;
    RunHarness harness;
    bool asked = false;
    harness.view.driver = [&](converter::ConversionRun& run) {
        if (!asked && report.count("page ") >= 1) {
            ASSERT_TRUE(run.setPaused(true));
            run.requestStop();
            EXPECT_FALSE(run.paused());
            asked = true;
        }
    };
    const converter::RunResult result = harness.play("pages 100 100\nexit 0\n");
    EXPECT_TRUE(asked);
    EXPECT_EQ(result.exitCode, converter::kExitCanceled);
    EXPECT_EQ(report.count("kill "), 1);
}

TEST(ConversionRunPriority, BackgroundLowersTheConvertersPriorityAndBack)
{
    ScopedReport report;
    RunHarness harness;
    harness.run.setBackground(true); // before the start: the converter starts below normal
    DWORD atStart = 0;
    DWORD afterNormal = 0;
    harness.view.driver = [&](converter::ConversionRun& run) {
        if (atStart == 0 && report.count("page ") >= 1) {
            win::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, standInProcessId()));
            atStart = GetPriorityClass(process.get());
            run.setBackground(false);
            afterNormal = GetPriorityClass(process.get());
        }
    };
    harness.play("pages 4 100\nexit 0\n");
    EXPECT_EQ(atStart, static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(afterNormal, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}
