// The process runner without a dialog: the stand-in converter through the real pipe,
// a recording converter::ProgressView, a fake RunDisplay and a controllable tick counter.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "support/StandInRun.h"
#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputReader.h"
#include "converter/ProcessRunner.h"
#include "res/resource.h"
#include "base/StringTable.h"

using namespace progress_test;

namespace {

struct RecordedRow {
    converter::MessageType type;
    std::wstring page;
    std::wstring description;
};

class RecordingView : public converter::ProgressView {
public:
    void setProgressRange(int totalPages) override { std::lock_guard lock(mutex_); range_ = totalPages; }
    void setProgressPosition(int position) override { std::lock_guard lock(mutex_); position_ = position; }
    void setStatusText(const std::wstring& text) override { std::lock_guard lock(mutex_); status_ = text; }
    void showCounter(converter::MessageType) override {}
    void setCounterText(converter::MessageType, const std::wstring&) override {}
    void addMessageRow(converter::MessageType type, const std::wstring& page, const std::wstring& description) override
    {
        if (description == failingRow) {
            throw std::bad_alloc(); // as an allocation for this row would
        }
        std::lock_guard lock(mutex_);
        rows_.push_back({type, page, description});
    }
    std::wstring failingRow = L"\x1";
    std::vector<RecordedRow> rows() const { std::lock_guard lock(mutex_); return rows_; }
    std::vector<std::wstring> descriptions() const
    {
        std::vector<std::wstring> result;
        for (const RecordedRow& row : rows()) {
            result.push_back(row.description);
        }
        return result;
    }
    std::wstring status() const { std::lock_guard lock(mutex_); return status_; }
    int range() const { std::lock_guard lock(mutex_); return range_; }

private:
    mutable std::mutex mutex_;
    std::vector<RecordedRow> rows_;
    std::wstring status_;
    int range_ = 0;
    int position_ = 0;
};

class FakeDisplay : public converter::RunDisplay {
public:
    explicit FakeDisplay(converter::ProcessRunner& runner) : runner_(runner) {}
    void flushOutput(bool) override { ++flushes; }
    void offerAbort() override
    {
        if (signals != nullptr) {
            signalsAtOffer = signals->load();
        }
        ++abortOffers;
    }
    void runEnded(const converter::RunOutcome& outcome) override
    {
        {
            std::lock_guard lock(mutex_);
            outcome_ = outcome;
        }
        runner_.markRunFinished();
        ++finalStates;
    }
    void startFailed() override { ++startFailures; }
    converter::RunOutcome outcome() const { std::lock_guard lock(mutex_); return outcome_; }

    std::atomic<int> flushes{0};
    std::atomic<int> abortOffers{0};
    std::atomic<int> finalStates{0};
    std::atomic<int> startFailures{0};
    const std::atomic<int>* signals = nullptr; // kill signals sent so far, read at the Abort offer
    std::atomic<int> signalsAtOffer{-1};

private:
    converter::ProcessRunner& runner_;
    mutable std::mutex mutex_;
    converter::RunOutcome outcome_;
};

class ProcessRunnerHarness {
    // Declared first: the runner refers to them.
    converter::MessageRuleSet rules_;
    RecordingView view_;
    converter::OutputInterpreter interpreter_;
    converter::OutputReader reader_;
    converter::OutputPipe pipe_;
    std::thread worker_;

public:
    ProcessRunnerHarness()
        : rules_(std::string("xx=")), interpreter_(view_, rules_),
          reader_([this](std::wstring_view line) { interpreter_.interpretLine(line); }), runner(interpreter_, reader_),
          display(runner), view(view_)
    {
        display.signals = &signals;
        rules_.loadRules(testDirectory() + L"test-langmap.txt");
    }
    ~ProcessRunnerHarness()
    {
        if (worker_.joinable()) {
            worker_.join();
        }
    }

    // Starts the worker on its own thread with a kill signaller that counts its calls.
    void start(const std::wstring& commandLine, const std::wstring& eventName)
    {
        killEventName = eventName;
        interpreter_.reset(nullptr);
        reader_.reset();
        runner.reset(commandLine, [this](const std::wstring& name) {
            ++signals;
            return converter::signalKillEvent(name);
        }, killEventName);
        DWORD error = 0;
        ASSERT_TRUE(pipe_.create(error));
        worker_ = std::thread([this] { runner.runWorker(display, pipe_); });
    }
    // The stand-in playing the script, with the kill-event name the runner signals.
    void startProgram(const std::wstring& program)
    {
        const std::wstring name = uniqueKillEventName();
        start(L"\"" + testDirectory() + program + L"\" --killevent=" + name, name);
    }
    void startScriptWithEvent(const std::string& script)
    {
        const std::wstring name = uniqueKillEventName();
        start(standInCommandLine(name, writeScript(script), temporaryDirectory() + L"runner_out.djvu"), name);
    }
    void join() { worker_.join(); }
    bool waitForEnd() { return waitUntil([this] { return display.finalStates.load() > 0; }, 30000); }

    converter::ProcessRunner runner;
    FakeDisplay display;
    RecordingView& view;
    std::wstring killEventName;
    std::atomic<int> signals{0};
};

} // namespace

TEST(ProcessRunnerEndOfRun, SuccessReportsOnlyTheRunTime)
{
    ProcessRunnerHarness run;
    std::atomic<DWORD> now{1000};
    run.runner.setTickSource([&now] { return now.fetch_add(6500); }); // start, then end: 6.5 s later
    run.startScriptWithEvent("line Processing pages 1 through 2.\nline Page 1\nline Info first\nline Page 2\nexit 0\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), 0u);
    EXPECT_TRUE(run.runner.runFinished());
    EXPECT_EQ(run.display.startFailures.load(), 0);
    const std::vector<std::wstring> expected = {L"first", L"Finished in 6 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
    EXPECT_EQ(run.view.range(), 2);
    EXPECT_EQ(run.display.outcome().totalPages, 2);
    EXPECT_EQ(run.display.outcome().exitCode, 0u);
    EXPECT_FALSE(run.display.outcome().waitFailed);
    EXPECT_EQ(run.signals.load(), 0);
}

TEST(ProcessRunnerEndOfRun, ErrorExitReportsTheCodeThenTheRunTime)
{
    ProcessRunnerHarness run;
    run.startScriptWithEvent("line Error: something broke\nexit 3\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), 3u);
    const std::vector<std::wstring> expected = {L"Error: something broke", L"Exit code 3.", L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
    const converter::RunOutcome outcome = run.display.outcome();
    EXPECT_EQ(outcome.errorCount, 2);
    EXPECT_FALSE(outcome.errorCountText.empty());
}

TEST(ProcessRunnerEndOfRun, OutputOfBothStreamsAndAnUnterminatedLastLineArrive)
{
    ProcessRunnerHarness run;
    run.startScriptWithEvent("line Info from stdout\nerr Info from stderr\nout Info with NUL\\0kept\\r\\n\nsleep 100\nout Info last without end\nexit 0\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    const std::vector<std::wstring> expected = {L"from stdout", L"from stderr", L"with NULkept", L"last without end",
        L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
}

TEST(ProcessRunnerStop, HonouredKillEventEndsWithCanceled)
{
    ScopedReport report;
    ProcessRunnerHarness run;
    run.startScriptWithEvent("line Page 1\nsleep 30000\nexit 0\n");
    ASSERT_TRUE(waitUntil([&] { return report.count("start") == 1; }));
    run.runner.requestStop();
    EXPECT_TRUE(run.runner.stopRequested());
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), converter::kExitCanceled);
    EXPECT_GE(run.signals.load(), 1);
    EXPECT_EQ(report.count("kill"), 1);
    EXPECT_EQ(run.display.abortOffers.load(), 0);
    const std::vector<std::wstring> expected = {L"Canceled by the user.", L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
}

// The ten seconds are measured with the injected clock, starting just before the tick
// counter wraps around, so that the unsigned difference is exercised.
TEST(ProcessRunnerStop, IgnoredKillEventOffersAbortAfterTenSecondsThenTerminates)
{
    ScopedReport report;
    ProcessRunnerHarness run;
    std::atomic<DWORD> now{0xFFFFF000u};
    run.runner.setTickSource([&now] { return now.load(); });
    run.startScriptWithEvent("kill ignore\nsleep 60000\nexit 0\n");
    ASSERT_TRUE(waitUntil([&] { return report.count("start") == 1; }));

    run.runner.requestStop();
    // The kill event is sent at every wake-up and reaches the converter, which ignores it.
    ASSERT_TRUE(waitUntil([&] { return run.signals.load() >= 3 && report.count("kill") >= 1; }))
        << run.signals.load() << " signals; report: " << readFileBytes(report.path());
    now.store(0xFFFFF000u + converter::kGracefulStopMilliseconds); // exactly 10 s: not yet
    const int signalsAtTen = run.signals.load();
    ASSERT_TRUE(waitUntil([&] { return run.signals.load() >= signalsAtTen + 3; }));
    EXPECT_EQ(run.display.abortOffers.load(), 0);
    EXPECT_TRUE(run.runner.stopRequested());
    EXPECT_TRUE(run.runner.gracefulStop());

    now.store(0xFFFFF000u + converter::kGracefulStopMilliseconds + 1); // wrapped around, 10.001 s
    ASSERT_TRUE(waitUntil([&] { return run.display.abortOffers.load() == 1; }));
    EXPECT_FALSE(run.runner.stopRequested());
    EXPECT_FALSE(run.runner.gracefulStop());
    // One more signal at the wake-up that offers Abort, then none until the user acts.
    Sleep(300);
    const int signalsAfterOffer = run.display.signalsAtOffer.load() + 1;
    EXPECT_EQ(run.signals.load(), signalsAfterOffer);
    EXPECT_EQ(run.display.abortOffers.load(), 1);
    EXPECT_EQ(run.display.finalStates.load(), 0);

    run.runner.requestStop(); // Abort
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), converter::kExitTerminated);
    EXPECT_EQ(run.signals.load(), signalsAfterOffer);
    const std::vector<std::wstring> expected = {L"Terminated.", L"Finished in 10 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
    EXPECT_EQ(report.count("exit"), 0); // terminated: the stand-in never reached its own end
}

// A converter that writes as fast as it is read must not keep the worker in one drain
// pass: the stop handling gets its turn and the flood is cut short by the kill event.
TEST(ProcessRunnerStop, CancelDuringAFloodStopsTheConverterBeforeItsEnd)
{
    ScopedReport report;
    ProcessRunnerHarness run;
    run.startScriptWithEvent("flood 20000000 1\nexit 0\n");
    ASSERT_TRUE(waitUntil([&] { return run.view.rows().size() >= 10; }));
    run.runner.requestStop();
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), converter::kExitCanceled);
    EXPECT_EQ(report.count("flood"), 0); // the flood never finished
    EXPECT_EQ(report.count("kill"), 1);
    const std::vector<RecordedRow> rows = run.view.rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[rows.size() - 2].description, L"Canceled by the user.");
}

TEST(ProcessRunnerStart, MissingConverterEndsWithTheOsErrorAndReportsNothing)
{
    ProcessRunnerHarness run;
    run.start(L"\"" + testDirectory() + L"no-such-converter.exe\" --killevent=x \"in.pdf\" \"out.djvu\"", L"x");
    ASSERT_TRUE(waitUntil([&] { return run.display.startFailures.load() == 1; }));
    run.join();
    EXPECT_EQ(run.runner.osError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(run.display.finalStates.load(), 0);
    EXPECT_TRUE(run.view.rows().empty());
    EXPECT_FALSE(run.runner.runFinished());
}

TEST(ProcessRunnerStart, PipeReadEndIsNotInheritableWriteEndIs)
{
    converter::OutputPipe pipe;
    DWORD error = 0;
    ASSERT_TRUE(pipe.create(error));
    EXPECT_EQ(error, 0u);
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(pipe.readEnd(), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    ASSERT_TRUE(GetHandleInformation(pipe.writeEnd(), &flags));
    EXPECT_NE(flags & HANDLE_FLAG_INHERIT, 0u);
}

TEST(KillEvent, SignalsAnEventThatIsHeldAndCreatesAMissingOne)
{
    const std::wstring name = uniqueKillEventName();
    win::UniqueHandle held(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    ASSERT_TRUE(held);
    EXPECT_EQ(WaitForSingleObject(held.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(converter::signalKillEvent(name));
    EXPECT_EQ(WaitForSingleObject(held.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    // Auto-reset: the wait consumed the signal.
    EXPECT_EQ(WaitForSingleObject(held.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(converter::signalKillEvent(uniqueKillEventName()));
}

TEST(KillEvent, ANameThatCannotBeAnEventFails)
{
    EXPECT_FALSE(converter::signalKillEvent(L"Global\\No\\Such\\Namespace\\Korvello"));
}

// A GUI-subsystem converter that fills the pipe before it pumps messages: its output is
// drained, and Cancel and then Abort end it.
TEST(ProcessRunnerStop, GuiSubsystemConverterIsDrainedAndCanBeAborted)
{
    ProcessRunnerHarness run;
    std::atomic<DWORD> now{1000};
    run.runner.setTickSource([&now] { return now.load(); });
    run.startProgram(L"korvello-guichild.exe");
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<std::wstring> rows = run.view.descriptions();
        return !rows.empty() && rows.back() == L"gui child ready";
    }, 60000)) << run.view.descriptions().size() << " rows";
    EXPECT_EQ(run.view.descriptions().size(), 20001u);
    run.runner.requestStop();
    now.store(1000 + converter::kGracefulStopMilliseconds + 1);
    ASSERT_TRUE(waitUntil([&] { return run.display.abortOffers.load() == 1; }));
    run.runner.requestStop();
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), converter::kExitTerminated);
}

// A wait on the converter that fails is a failed run, and the converter is ended.
TEST(ProcessRunnerEndOfRun, AFailedWaitIsAFailure)
{
    ScopedReport report;
    ProcessRunnerHarness run;
    std::atomic<bool> fail{false};
    run.runner.setProcessWait([&fail](DWORD count, const HANDLE* handles, DWORD timeout) {
        if (fail.load()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        return WaitForMultipleObjects(count, handles, FALSE, timeout);
    });
    run.startScriptWithEvent("kill ignore\nline Info before\nsleep 60000\nexit 0\n");
    ASSERT_TRUE(waitUntil([&] { return run.view.descriptions().size() == 1; }));
    fail = true;
    run.runner.requestStop(); // wakes the worker, which sleeps while the converter is silent
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_TRUE(run.runner.waitFailed());
    EXPECT_TRUE(run.display.outcome().waitFailed);
    const std::vector<std::wstring> expected = {L"before", L"Wait failed (6)."};
    EXPECT_EQ(run.view.descriptions(), expected);
    EXPECT_EQ(report.count("exit"), 0); // ended by the front end, not run to its end
}

// An allocation that fails while a message is shown costs that message, not the run.
TEST(ProcessRunnerEndOfRun, AnAllocationFailureGivesAnErrorRowAndTheRunGoesOn)
{
    ProcessRunnerHarness run;
    run.view.failingRow = L"boom";
    run.startScriptWithEvent("line Info boom\nline Info after\nexit 0\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    const std::vector<std::wstring> expected = {base::loadString(IDS_MESSAGE_OUT_OF_MEMORY), L"after",
        L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
    EXPECT_EQ(run.display.outcome().errorCount, 1);
}

// The converter is tied to the front end: when the front end dies, the converter ends.
// The "front end" is this test program started again, running the child case below.
TEST(ProcessRunnerJob, TheConverterEndsWithTheFrontEnd)
{
    const std::wstring eventName = uniqueKillEventName();
    SetEnvironmentVariableW(L"KORVELLO_RUNNER_CHILD_EVENT", eventName.c_str());
    std::wstring commandLine = L"\"" + win::modulePath() + L"\" --gtest_filter=ProcessRunnerJobChild.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
        &startup, &info);
    SetEnvironmentVariableW(L"KORVELLO_RUNNER_CHILD_EVENT", nullptr);
    ASSERT_TRUE(started);
    win::UniqueHandle frontEnd(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    // The converter holds its kill event while it lives.
    const auto converterAlive = [&] {
        win::UniqueHandle event(OpenEventW(SYNCHRONIZE, FALSE, eventName.c_str()));
        return event.valid();
    };
    ASSERT_TRUE(waitUntil(converterAlive, 30000));
    TerminateProcess(frontEnd.get(), 1);
    WaitForSingleObject(frontEnd.get(), 15000);
    EXPECT_TRUE(waitUntil([&] { return !converterAlive(); }, 15000)) << "the converter ran on";
}

TEST(ProcessRunnerJobChild, RunsALongConversionUntilEnded)
{
    wchar_t name[128] = {};
    if (GetEnvironmentVariableW(L"KORVELLO_RUNNER_CHILD_EVENT", name, 128) == 0) {
        GTEST_SKIP() << "only as the child of ProcessRunnerJob";
    }
    ProcessRunnerHarness run;
    run.start(standInCommandLine(name, writeScript("kill ignore\nsleep 60000\nexit 0\n"),
        temporaryDirectory() + L"job_out.djvu"), name);
    run.waitForEnd();
    run.join();
}

// The worker sleeps while the converter is silent (no wake-up, so no flush), and wakes
// for the output that then arrives in a burst.
TEST(ProcessRunnerPipe, ASilentConverterCostsNoWakeUpsAndItsBurstArrivesWhole)
{
    ProcessRunnerHarness run;
    run.startScriptWithEvent("line Info first\nsleep 3000\nflood 3000 10\nline Info last\nexit 0\n");
    ASSERT_TRUE(waitUntil([&] { return run.view.descriptions().size() == 1; }));
    Sleep(300); // the pass after "first" has told the display that output paused
    const int flushesWhileSilent = run.display.flushes.load();
    Sleep(1500);
    EXPECT_EQ(run.display.flushes.load(), flushesWhileSilent);
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    const std::vector<std::wstring> rows = run.view.descriptions();
    ASSERT_EQ(rows.size(), 1u + 300u + 2u);
    EXPECT_EQ(rows[1], L"Flood message 10");
    EXPECT_EQ(rows[300], L"Flood message 3000");
    EXPECT_EQ(rows[301], L"last");
}

// The converter ends while the worker's read waits for output that never comes.
TEST(ProcessRunnerPipe, AConverterThatExitsWhileAReadIsPendingEndsTheRun)
{
    ProcessRunnerHarness run;
    run.startScriptWithEvent("sleep 500\nexit 7\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(run.runner.exitCode(), 7u);
    const std::vector<std::wstring> expected = {L"Exit code 7.", L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
}

// A process the converter started keeps the pipe's write end open after the converter has
// ended: the run ends with the converter, with everything the converter wrote.
TEST(ProcessRunnerPipe, AGrandchildHoldingTheOutputOpenDoesNotHoldTheRun)
{
    ScopedReport report;
    ProcessRunnerHarness run;
    run.startScriptWithEvent("line Info before\nspawn 120000\nline Info after\nexit 0\n");
    ASSERT_TRUE(run.waitForEnd());
    run.join();
    EXPECT_EQ(report.count("spawn"), 1);
    EXPECT_EQ(run.runner.exitCode(), 0u);
    const std::vector<std::wstring> expected = {L"before", L"after", L"Finished in 0 seconds."};
    EXPECT_EQ(run.view.descriptions(), expected);
}
