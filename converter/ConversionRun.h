// One conversion run: the rule set, the output interpreter, the line assembly, the
// converter process with its pipe, the worker thread, the two-stage stop and the taskbar
// state. It reaches the screen only through RunView, so everything but the window is
// tested without one.
//
// Threads: run() is called on the view's thread and returns when the view has closed.
// The worker leaves everything it has to say (output, Abort offered, a failed start, the
// outcome) in one update record in a mailbox and wakes the view's thread, which takes it
// out (takeUpdate) when it gets to it and shows it; the worker never waits for the view,
// so a busy window never holds up the converter. The view calls start, requestStop,
// finished, takeUpdate, windowEnded and taskbarButtonCreated on its own thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/MessageRuleSet.h"
#include "converter/MessageStore.h"
#include "converter/OutputBatcher.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputPipe.h"
#include "converter/OutputReader.h"
#include "converter/ProcessRunner.h"
#include "converter/RunTaskbarState.h"
#include "converter/RunUpdate.h"
#include "win/Handle.h"
#include "win/TaskbarProgress.h"

namespace converter {

// What a run needs from the one who starts it.
struct RunSetup {
    std::wstring commandLine;
    std::wstring killEventName;
    std::wstring logPath;     // empty: no log asked for
    HANDLE logFile = nullptr; // not owned; null when there is no log
    DWORD logOpenError = 0;   // why the log at logPath could not be created, 0 otherwise
};

// How the run's window ended.
enum class RunEnd {
    NotShown,   // the window could not be made
    Closed,     // the user closed it after the run
    NotStarted, // the pipe, the worker or the converter could not be started
};

struct RunResult {
    RunEnd end = RunEnd::NotShown;
    DWORD osError = 0;  // NotStarted: the OS error of the failed step
    DWORD exitCode = 0; // the converter's exit code (0 when it never ran)
    bool waitFailed = false; // the converter could not be followed to its end: a failed run
};

class ConversionRun;

// How a run that reached its end ended: a failed wait, or any exit code but success and
// the stop on the kill event, is a failure.
RunVerdict verdictOf(const RunOutcome& outcome);

// The run's window.
class RunView {
public:
    virtual ~RunView() = default;
    // Shows the run until the user closes it. Once its window exists it calls
    // run.start(); when that fails it ends with NotStarted. On every wake-up it takes the
    // run's update (takeUpdate) and shows it; an update that says the start failed ends it
    // with NotStarted.
    virtual RunEnd present(ConversionRun& run) = 0;
    // Worker thread: asks the view's thread to take the run's update soon; returns at once.
    virtual void wakeViewThread() = 0;
};

class ConversionRun : private RunDisplay {
public:
    // Loads the rules from "langmap.txt" beside the executable.
    ConversionRun();
    // Loads the rules from the given file.
    explicit ConversionRun(const std::wstring& ruleFilePath);
    ~ConversionRun() override;
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // One run behind the view; returns when the view has closed and the worker has ended.
    RunResult run(const RunSetup& setup, RunView& view);

    // The two halves of run() around the view, for a view that shows several runs one
    // after another: begin prepares a run for the view (false when the pipe could not be
    // made, its OS error in osError), the view starts it; finish waits for the worker's
    // end, closes the pipe and returns what the run left. Called again, finish only reports.
    bool begin(const RunSetup& setup, RunView& view, DWORD& osError);
    RunResult finish(RunEnd end);

    // Replacements for tests: how the converter is asked to stop, the wait on the
    // converter, the millisecond tick counter of the stop handling and the run time.
    void setKillSignaller(KillSignaller signaller) { killSignaller_ = std::move(signaller); }
    void setProcessWait(ProcessWait wait) { runner_.setProcessWait(std::move(wait)); }
    void setTickSource(TickSource tickSource) { runner_.setTickSource(std::move(tickSource)); }

    // View thread. Starts the worker; taskbar (may be null) shows the run's state until
    // windowEnded. False when the worker could not be started (the OS error is kept).
    bool start(win::TaskbarProgress* taskbar);
    // The stop request of the stop button while the run is not finished (a paused
    // converter is resumed first).
    void requestStop();
    // Pauses or resumes the converter and its job; false when it is not running.
    bool setPaused(bool paused);
    bool paused() const { return runner_.paused(); }
    // Below-normal priority for the converter and its job, or normal; also before start.
    void setBackground(bool background) { runner_.setBackground(background); }
    bool background() const { return runner_.background(); }
    // The run has ended and its final state is shown: the stop button closes the view.
    bool finished() const { return runner_.runFinished(); }
    void windowEnded();
    void taskbarButtonCreated();
    // View thread: what the worker has left in the mailbox since the last call (nothing
    // when it is empty). Its rows have been added to messages(); an update with the
    // outcome marks the run finished.
    std::optional<RunUpdate> takeUpdate();

    // View thread: the message rows handed over so far, and their order. Sorting returns
    // the new index of each row.
    const MessageStore& messages() const { return messages_; }
    std::vector<std::uint32_t> sortMessages(int column, bool descending, const std::wstring (&typeNames)[3])
    {
        return messages_.sort(column, descending, typeNames);
    }

    const OutputInterpreter& interpreter() const { return interpreter_; }
    const MessageRuleSet& rules() const { return rules_; }

private:
    // RunDisplay, on the worker thread.
    void flushOutput(bool moreComing) override;
    void offerAbort() override;
    void runEnded(const RunOutcome& outcome) override;
    void startFailed() override;

    // Worker thread: an update into the mailbox.
    void handOver(RunUpdate& update);
    static unsigned __stdcall workerProc(void* run);

    MessageRuleSet rules_;
    OutputBatcher batcher_;
    OutputInterpreter interpreter_;
    OutputReader reader_;
    ProcessRunner runner_;
    OutputPipe pipe_;
    win::UniqueHandle worker_;
    KillSignaller killSignaller_;
    RunView* view_ = nullptr;
    MessageStore messages_; // touched on the view's thread only
    std::mutex mailboxMutex_;
    RunUpdate mailbox_;        // what the worker has handed over and the view not yet taken
    bool mailboxFull_ = false; // the view's thread has been woken for it
    std::unique_ptr<RunTaskbarState> taskbarState_;
};

} // namespace converter
