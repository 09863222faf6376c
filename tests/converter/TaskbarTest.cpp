// The taskbar states of a run, through a recording taskbar, and the shell's own taskbar
// object where the platform has one.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/RecordingTaskbar.h"
#include "converter/ConversionRun.h"
#include "converter/RunTaskbarState.h"
#include "win/TaskbarProgress.h"

using progress_test::RecordingTaskbar;
using Calls = std::vector<std::string>;

namespace {

struct Recorded {
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    RecordingTaskbar taskbar{calls};
    converter::RunTaskbarState state{taskbar};
};

} // namespace

TEST(RunTaskbarState, IndeterminateUntilThePageCountThenPagesThenClearedWithTheWindow)
{
    Recorded run;
    run.state.runStarted();
    run.state.setPagesDone(0);
    run.state.setTotalPages(4);
    run.state.setPagesDone(1);
    run.state.setPagesDone(1); // unchanged: no call
    run.state.setPagesDone(3);
    run.state.runEnded(converter::RunVerdict::Succeeded);
    run.state.windowEnded();
    EXPECT_EQ(*run.calls, (Calls{"indeterminate", "progress 0/4", "progress 1/4", "progress 3/4", "progress 4/4",
                              "clear"}));
}

TEST(RunTaskbarState, TheFirstErrorTurnsTheBarRedForTheRestOfTheRun)
{
    Recorded run;
    run.state.runStarted();
    run.state.errorCounted(); // before the page count: a full red bar
    run.state.setTotalPages(5);
    run.state.setPagesDone(2);
    run.state.errorCounted();
    run.state.runEnded(converter::RunVerdict::Failed);
    EXPECT_EQ(*run.calls, (Calls{"indeterminate", "error 1/1", "error 0/5", "error 2/5", "error 5/5"}));
}

TEST(RunTaskbarState, TheEndShowsTheVerdictNotTheRowsSeen)
{
    // A success with error rows ends normal; a failure without any error row ends red.
    Recorded succeeded;
    succeeded.state.runStarted();
    succeeded.state.setTotalPages(2);
    succeeded.state.errorCounted();
    succeeded.state.runEnded(converter::RunVerdict::Succeeded);
    EXPECT_EQ(succeeded.calls->back(), "progress 2/2");

    Recorded failed;
    failed.state.runStarted();
    failed.state.setTotalPages(2);
    failed.state.setPagesDone(1);
    failed.state.runEnded(converter::RunVerdict::Failed);
    EXPECT_EQ(failed.calls->back(), "error 2/2");
}

TEST(RunTaskbarState, VerdictOfAnOutcome)
{
    using converter::RunVerdict;
    converter::RunOutcome outcome;
    EXPECT_EQ(converter::verdictOf(outcome), RunVerdict::Succeeded);
    outcome.waitFailed = true; // exit code 0 read from a process that could not be followed
    EXPECT_EQ(converter::verdictOf(outcome), RunVerdict::Failed);
    outcome.waitFailed = false;
    outcome.exitCode = converter::kExitCanceled;
    EXPECT_EQ(converter::verdictOf(outcome), RunVerdict::Stopped);
    outcome.exitCode = converter::kExitTerminated;
    EXPECT_EQ(converter::verdictOf(outcome), RunVerdict::Failed);
    outcome.exitCode = 3;
    EXPECT_EQ(converter::verdictOf(outcome), RunVerdict::Failed);
}

TEST(RunTaskbarState, PausedWhileAStopIsPendingAndAfterAStoppedRun)
{
    Recorded run;
    run.state.runStarted();
    run.state.setTotalPages(10);
    run.state.setPagesDone(6);
    run.state.stopRequested();
    run.state.setPagesDone(7);
    run.state.errorCounted(); // the pending stop decides while it lasts
    run.state.runEnded(converter::RunVerdict::Stopped);
    run.state.stopRequested(); // after the end: nothing to stop
    run.state.windowEnded();
    EXPECT_EQ(*run.calls, (Calls{"indeterminate", "progress 0/10", "progress 6/10", "paused 6/10", "paused 7/10",
                              "paused 10/10", "clear"}));
}

TEST(RunTaskbarState, AStoppedRunWithoutErrorsEndsPausedAndShowAgainRepeatsTheState)
{
    Recorded run;
    run.state.runStarted();
    run.state.setTotalPages(2);
    run.state.stopRequested();
    run.state.showAgain();
    run.state.runEnded(converter::RunVerdict::Stopped);
    EXPECT_EQ(*run.calls, (Calls{"indeterminate", "progress 0/2", "paused 0/2", "paused 0/2", "paused 2/2"}));
}

// The shell's taskbar object against a real top-level window. Where the platform lacks
// it, every call must still be harmless.
TEST(TaskbarButton, EveryStateOnARealWindow)
{
    const HWND window = CreateWindowExW(WS_EX_APPWINDOW, L"STATIC", L"taskbar test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
        0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    {
        win::TaskbarButton taskbar(window);
        std::printf("taskbar interface %s\n", taskbar.available() ? "present" : "missing");
        taskbar.setIndeterminate();
        EXPECT_HRESULT_SUCCEEDED(taskbar.lastResult());
        taskbar.setProgress(3, 7);
        EXPECT_HRESULT_SUCCEEDED(taskbar.lastResult());
        taskbar.setError(4, 7);
        EXPECT_HRESULT_SUCCEEDED(taskbar.lastResult());
        taskbar.setPaused(5, 7);
        EXPECT_HRESULT_SUCCEEDED(taskbar.lastResult());
        taskbar.clear();
        EXPECT_HRESULT_SUCCEEDED(taskbar.lastResult());
    }
    DestroyWindow(window);
}
