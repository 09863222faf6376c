// Runs one converter process: the pipe that carries its standard output and standard
// error, the hidden child process, the worker's wait loop with its drain passes, the
// two-stage stop (kill event for ten seconds, then termination with 5964) and the
// end-of-run messages. Its events go to a RunDisplay on the worker thread (the run's
// mailbox, or a test's recorder), so all of it runs and is tested without a window.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string_view>
#include <string>
#include <vector>

#include "converter/ConverterContract.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputPipe.h"
#include "converter/OutputReader.h"
#include "converter/RunUpdate.h"
#include "win/Handle.h"

namespace converter {

// Asks the converter to stop: opens (or creates) the named auto-reset event, sets it and
// closes it at once. False when the event could be neither opened nor created.
bool signalKillEvent(const std::wstring& name);

using KillSignaller = std::function<bool(const std::wstring&)>;
// The millisecond tick counter; replaceable so that tests control the time.
using TickSource = std::function<DWORD()>;

// The worker sleeps until the converter writes, ends, or the user asks it to stop; it
// wakes on a timer only in these cases:
// - after a pass that found data, kGatherMilliseconds later, to read what has arrived
//   meanwhile in one piece (or, when nothing has, to tell the display that output has
//   paused);
// - while a stop is pending, every kStopPollMilliseconds (the kill event is sent again
//   and the graceful stop's time is checked);
// - while a GUI-subsystem converter is not yet ready for input, every
//   kStopPollMilliseconds for at most kInputIdleMilliseconds.
inline constexpr DWORD kGatherMilliseconds = 2;
inline constexpr DWORD kStopPollMilliseconds = 100;
// The longest drain pass while the converter runs: the stop handling and the display
// get their turn at least this often during a flood.
inline constexpr DWORD kMaxPassMilliseconds = 50;
// After the converter has ended, how long the last drain waits for output still on its
// way when the write end is held open by a process the converter started.
inline constexpr DWORD kFinalDrainMilliseconds = 50;
// After a stop request the kill event is sent for this long before Abort is offered.
inline constexpr DWORD kGracefulStopMilliseconds = 10000;
// How long the worker keeps asking whether a GUI-subsystem converter is ready for input
// (a console program answers at once). It asks at every wake-up of the wait loop and
// never blocks on it, so output is drained and a stop is served meanwhile.
inline constexpr DWORD kInputIdleMilliseconds = 5000;

// The worker's wait (WaitForMultipleObjects for any of the handles); replaceable so that
// tests can make it fail.
using ProcessWait = std::function<DWORD(DWORD count, const HANDLE* handles, DWORD milliseconds)>;

// Where the worker's events go. Every call comes from the worker thread; none waits for
// the view.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // Hands on everything the interpreter produced since the last flush. moreComing:
    // output is flowing (this pass found data), so the view may wait a little before it
    // repaints what it got; a pass that finds the pipe empty says false.
    virtual void flushOutput(bool moreComing) = 0;
    // The ten seconds of the graceful stop are over: the stop button may become Abort.
    virtual void offerAbort() = 0;
    // The run has ended. The run counts as finished (markRunFinished) once its view has
    // taken this, before the view lets the stop button close it.
    virtual void runEnded(const RunOutcome& outcome) = 0;
    // The converter could not be started.
    virtual void startFailed() = 0;
};

class ProcessRunner {
public:
    ProcessRunner(OutputInterpreter& interpreter, OutputReader& reader);
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    // Start values of a run.
    void reset(const std::wstring& commandLine, KillSignaller killSignaller, const std::wstring& killEventName);
    void setTickSource(TickSource tickSource) { tickSource_ = std::move(tickSource); }
    void setProcessWait(ProcessWait wait) { processWait_ = std::move(wait); }
    DWORD tickCount() const { return tickSource_ ? tickSource_() : GetTickCount(); }

    // The worker thread's procedure: starts the converter with its output into the
    // pipe's write end (and closes the front end's copy), drains the pipe until the
    // process ends, reports the end of the run and shows the final state. Returns 0.
    DWORD runWorker(RunDisplay& display, OutputPipe& pipe);

    // User-interface thread: the stop request of button 2 while the run is not finished.
    // A paused converter is resumed first, so that it can hear the kill event.
    void requestStop();

    // User-interface thread: suspends (or resumes) the converter and every process of its
    // job. False when the converter is not running (or could not be reached).
    bool setPaused(bool paused);
    bool paused() const { return paused_.load(); }
    // User-interface thread: below-normal priority for the converter and its job (kept for
    // the processes it starts later), or normal again. Also before the start.
    void setBackground(bool background);
    bool background() const { return background_.load(); }

    // Fields shared by the two threads (each written by one side at a time).
    bool stopRequested() const { return stopRequested_.load(); }
    bool gracefulStop() const { return gracefulStop_.load(); }
    bool runFinished() const { return runFinished_.load(); }
    void markRunFinished() { runFinished_.store(true); }
    DWORD exitCode() const { return exitCode_.load(); }
    // The wait on the converter failed: the run counts as failed whatever the exit code.
    bool waitFailed() const { return waitFailed_.load(); }
    // The OS error of a failed process start, 0 otherwise.
    DWORD osError() const { return osError_.load(); }
    void setOsError(DWORD error) { osError_.store(error); }

private:
    // One drain pass that never waits for data, at most kMaxPassMilliseconds long.
    OutputPipe::Pass drainPass(OutputPipe& pipe);
    // After the converter has ended: everything it wrote.
    void drainToTheEnd(OutputPipe& pipe);
    // Waits for the process, a stop request and (until the output has ended) the pipe.
    DWORD waitForEvent(HANDLE process, OutputPipe& pipe, DWORD timeout);
    void handleStop(RunDisplay& display, HANDLE process);
    // Drains the pipe and serves stop requests until the converter ends (true) or the
    // wait fails (false, with the OS error).
    bool followConverter(RunDisplay& display, HANDLE process, OutputPipe& pipe, DWORD& waitError);
    void reportEndOfRun(DWORD runSeconds);
    // Starts the converter suspended, puts it into a job that ends it when the front end
    // goes away, then lets it run. False with osError_ set when it could not be started.
    bool startConverter(STARTUPINFOW& startup, PROCESS_INFORMATION& info);
    // Hands bytes to the reader; an allocation failure costs the line, not the run.
    void consume(std::string_view bytes);
    void consumeFinal();
    void reportSafely(std::wstring_view templateText, std::span<const base::MessageArg> inserts);
    RunOutcome outcome(bool waitFailed) const;

    OutputInterpreter& interpreter_;
    OutputReader& reader_;
    std::wstring commandLine_;
    KillSignaller killSignaller_;
    std::wstring killEventName_;
    TickSource tickSource_;
    ProcessWait processWait_;
    // The converter's job and process id, also used by the user-interface thread's pause
    // and priority under controlMutex_.
    std::mutex controlMutex_;
    win::UniqueHandle job_; // the converter's job: closing it ends the converter
    DWORD processId_ = 0;   // 0 while no converter runs
    win::UniqueHandle stopWake_; // set by requestStop: wakes the worker

    std::atomic<bool> stopRequested_{false};
    std::atomic<DWORD> stopTime_{0};
    std::atomic<bool> gracefulStop_{true};
    std::atomic<bool> runFinished_{false};
    std::atomic<DWORD> exitCode_{0};
    std::atomic<bool> waitFailed_{false};
    std::atomic<DWORD> osError_{0};
    std::atomic<bool> paused_{false};
    std::atomic<bool> background_{false};
};

} // namespace converter
