// The run without a window: the stand-in converter through the real pipe and worker,
// behind a view that records what it is handed on a thread of its own; and the batching
// of the worker's output.
#include <gtest/gtest.h>

#include <windows.h>

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
