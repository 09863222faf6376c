#include "converter/ProcessRunner.h"

#include "converter/JobControl.h"

#include <array>
#include <new>
#include <string_view>
#include <vector>

namespace converter {

bool signalKillEvent(const std::wstring& name)
{
    win::UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    if (!event) {
        return false;
    }
    OutputDebugStringW(L"Sending kill event to korvello.exe...\n");
    SetEvent(event.get());
    return true;
}

ProcessRunner::ProcessRunner(OutputInterpreter& interpreter, OutputReader& reader)
    : interpreter_(interpreter), reader_(reader), stopWake_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

void ProcessRunner::reset(const std::wstring& commandLine, KillSignaller killSignaller, const std::wstring& killEventName)
{
    commandLine_ = commandLine;
    killSignaller_ = std::move(killSignaller);
    killEventName_ = killEventName;
    stopRequested_.store(false);
    ResetEvent(stopWake_.get());
    stopTime_.store(0);
    gracefulStop_.store(true);
    runFinished_.store(false);
    exitCode_.store(0);
    waitFailed_.store(false);
    osError_.store(0);
}

void ProcessRunner::requestStop()
{
    if (paused_.load()) {
        setPaused(false);
    }
    stopTime_.store(tickCount()); // before the flag: the worker reads the time once it sees the flag
    stopRequested_.store(true);
    SetEvent(stopWake_.get());
}

bool ProcessRunner::setPaused(bool paused)
{
    const std::lock_guard lock(controlMutex_);
    if (processId_ == 0 || paused == paused_.load()) {
        return processId_ != 0;
    }
    bool reached = false;
    for (const DWORD id : jobProcessIds(job_.get(), processId_)) {
        reached = suspendProcess(id, paused) || reached;
    }
    if (reached || !paused) {
        paused_.store(paused);
    }
    return reached;
}

void ProcessRunner::setBackground(bool background)
{
    const std::lock_guard lock(controlMutex_);
    background_.store(background);
    if (processId_ == 0) {
        return; // the start takes it
    }
    if (job_) {
        // The job's own limit also holds for the processes the converter starts later.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE
            | (background ? JOB_OBJECT_LIMIT_PRIORITY_CLASS : 0);
        limits.BasicLimitInformation.PriorityClass = background ? BELOW_NORMAL_PRIORITY_CLASS : 0;
        SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    for (const DWORD id : jobProcessIds(job_.get(), processId_)) {
        setProcessBackground(id, background);
    }
}

OutputPipe::Pass ProcessRunner::drainPass(OutputPipe& pipe)
{
    // A converter that writes as fast as it is read would keep a pass going for as long as
    // it writes, starving the stop handling; a pass therefore ends after
    // kMaxPassMilliseconds.
    const OutputPipe::Pass pass = pipe.drain([this](std::string_view bytes) { consume(bytes); }, kMaxPassMilliseconds);
    interpreter_.flushLog(); // the pass's whole lines, in one write
    return pass;
}

void ProcessRunner::drainToTheEnd(OutputPipe& pipe)
{
    // The converter's exit closes its write end, so the output normally ends at once. A
    // process the converter started may hold a copy open: then what has arrived is read,
    // and the run ends without waiting for that process.
    for (;;) {
        const OutputPipe::Pass pass = pipe.drain([this](std::string_view bytes) { consume(bytes); }, 0);
        interpreter_.flushLog();
        if (pass.hadData) {
            continue;
        }
        if (pipe.ended() || WaitForSingleObject(pipe.readReady(), kFinalDrainMilliseconds) != WAIT_OBJECT_0) {
            return;
        }
    }
}

DWORD ProcessRunner::waitForEvent(HANDLE process, OutputPipe& pipe, DWORD timeout)
{
    const HANDLE handles[3] = {process, stopWake_.get(), pipe.readReady()};
    const DWORD count = pipe.reading() ? 3 : 2; // readReady() only while a read waits
    return processWait_ ? processWait_(count, handles, timeout) : WaitForMultipleObjects(count, handles, FALSE, timeout);
}

void ProcessRunner::consume(std::string_view bytes)
{
    try {
        reader_.consumeBytes(bytes);
    } catch (const std::bad_alloc&) {
        // A line or a message too large for the memory left: the bytes of the line are
        // dropped, an error row says so, and the run goes on.
        reader_.reset();
        interpreter_.reportOutOfMemory();
    }
}

void ProcessRunner::handleStop(RunDisplay& display, HANDLE process)
{
    if (!stopRequested_.load()) {
        return;
    }
    if (gracefulStop_.load()) {
        if (tickCount() - stopTime_.load() > kGracefulStopMilliseconds) {
            // Clear the flags before the button can be pressed again.
            stopRequested_.store(false);
            gracefulStop_.store(false);
            display.offerAbort();
        }
        if (killSignaller_) {
            killSignaller_(killEventName_);
        }
    } else {
        TerminateProcess(process, kExitTerminated);
    }
}

void ProcessRunner::reportEndOfRun(DWORD runSeconds)
{
    const DWORD code = exitCode_.load();
    if (code == kExitCanceled) {
        interpreter_.reportMessage(L"process_canceled", {});
    } else if (code == kExitTerminated) {
        interpreter_.reportMessage(L"process_terminated", {});
    } else if (code != 0) {
        const std::array<base::MessageArg, 1> inserts = {base::MessageArg(static_cast<std::uint32_t>(code))};
        interpreter_.reportMessage(L"process_error %1!u!", inserts);
    }
    const std::array<base::MessageArg, 1> seconds = {base::MessageArg(static_cast<std::uint32_t>(runSeconds))};
    interpreter_.reportMessage(L"process_success %1!u!", seconds);
}

RunOutcome ProcessRunner::outcome(bool waitFailed) const
{
    RunOutcome result;
    result.exitCode = exitCode_.load();
    result.waitFailed = waitFailed;
    result.logComplete = interpreter_.logComplete();
    result.totalPages = interpreter_.totalPages();
    result.warningCount = interpreter_.warningCount();
    result.errorCount = interpreter_.errorCount();
    result.errorCountText = interpreter_.errorCountText();
    return result;
}

bool ProcessRunner::startConverter(STARTUPINFOW& startup, PROCESS_INFORMATION& info)
{
    // A job that kills its processes when its last handle closes: if the front end
    // dies, the converter does not run on and write the output alone. Where no job can
    // be made or joined (a front end in a job that forbids it), the converter still runs.
    const std::lock_guard lock(controlMutex_);
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE
            | (background_.load() ? JOB_OBJECT_LIMIT_PRIORITY_CLASS : 0);
        limits.BasicLimitInformation.PriorityClass = background_.load() ? BELOW_NORMAL_PRIORITY_CLASS : 0;
        if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
            job_.reset();
        }
    }
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> writable(commandLine_.begin(), commandLine_.end());
    writable.push_back(L'\0');
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | (job_ ? CREATE_SUSPENDED : 0)
        | (background_.load() ? BELOW_NORMAL_PRIORITY_CLASS : 0);
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &info)) {
        osError_.store(GetLastError());
        job_.reset();
        return false;
    }
    if (background_.load()) {
        SetPriorityClass(info.hProcess, BELOW_NORMAL_PRIORITY_CLASS); // where the creation flag is not taken
    }
    if (job_) {
        if (!AssignProcessToJobObject(job_.get(), info.hProcess)) {
            job_.reset();
        }
        ResumeThread(info.hThread);
    }
    processId_ = info.dwProcessId;
    paused_.store(false);
    return true;
}

DWORD ProcessRunner::runWorker(RunDisplay& display, OutputPipe& pipe)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = pipe.writeEnd();
    startup.hStdError = pipe.writeEnd();

    const DWORD startTime = tickCount();

    PROCESS_INFORMATION info = {};
    const bool started = startConverter(startup, info);
    pipe.closeWriteEnd(); // the output ends when the converter's copies are closed
    if (!started) {
        OutputDebugStringW(L"CreateProcess failed.\n");
        display.startFailed();
        return 0;
    }
    win::UniqueHandle process(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    interpreter_.reportStartWarnings();
    display.flushOutput(false);

    DWORD waitError = 0;
    const bool waitFailed = !followConverter(display, process.get(), pipe, waitError);
    if (waitFailed) {
        // The converter can no longer be followed: the run has failed, and the converter
        // is ended rather than left to write the output alone.
        waitFailed_.store(true);
        TerminateProcess(process.get(), kExitTerminated);
        drainToTheEnd(pipe);
        consumeFinal();
        const std::array<base::MessageArg, 1> inserts = {
            base::MessageArg(static_cast<std::uint32_t>(waitError != 0 ? waitError : ERROR_INVALID_HANDLE))};
        reportSafely(L"process_abort %1!u!", inserts);
    } else {
        drainToTheEnd(pipe);
        consumeFinal();
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        exitCode_.store(code);
        try {
            reportEndOfRun((tickCount() - startTime) / 1000);
        } catch (const std::bad_alloc&) {
            interpreter_.reportOutOfMemory();
        }
    }
    display.flushOutput(false);
    thread.reset();
    process.reset();
    {
        const std::lock_guard lock(controlMutex_);
        processId_ = 0;
        paused_.store(false);
        job_.reset();
    }
    display.runEnded(outcome(waitFailed));
    return 0;
}

bool ProcessRunner::followConverter(RunDisplay& display, HANDLE process, OutputPipe& pipe, DWORD& waitError)
{
    // Never blocks: a GUI-subsystem converter that writes a lot before it pumps messages
    // would otherwise wait on the full pipe while the worker waits on it.
    const DWORD idleWaitStart = GetTickCount();
    bool awaitingInputIdle = WaitForInputIdle(process, 0) == WAIT_TIMEOUT;
    DWORD nextPassIn = INFINITE; // set by the last pass
    for (;;) {
        DWORD timeout = nextPassIn;
        if ((stopRequested_.load() || awaitingInputIdle) && timeout > kStopPollMilliseconds) {
            timeout = kStopPollMilliseconds;
        }
        const DWORD result = waitForEvent(process, pipe, timeout);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_TIMEOUT && (result < WAIT_OBJECT_0 + 1 || result > WAIT_OBJECT_0 + 2)) {
            waitError = GetLastError();
            return false;
        }
        if (awaitingInputIdle && (WaitForInputIdle(process, 0) != WAIT_TIMEOUT
                || GetTickCount() - idleWaitStart >= kInputIdleMilliseconds)) {
            awaitingInputIdle = false;
        }
        const OutputPipe::Pass pass = drainPass(pipe);
        // After a read that found data no read is outstanding: what the converter writes
        // next gathers in the pipe and is read kGatherMilliseconds later in one piece. Only
        // a pass that found nothing (and left a read waiting) tells the display that
        // output has paused.
        nextPassIn = pipe.reading() || pipe.ended() ? INFINITE : pass.cutShort ? 0 : kGatherMilliseconds;
        display.flushOutput(pass.hadData || pass.cutShort);
        handleStop(display, process);
    }
}

void ProcessRunner::consumeFinal()
{
    try {
        reader_.finishOutput();
    } catch (const std::bad_alloc&) {
        reader_.reset();
        interpreter_.reportOutOfMemory();
    }
    interpreter_.flushLog();
}

void ProcessRunner::reportSafely(std::wstring_view templateText, std::span<const base::MessageArg> inserts)
{
    try {
        interpreter_.reportMessage(templateText, inserts);
    } catch (const std::bad_alloc&) {
        interpreter_.reportOutOfMemory();
    }
}

} // namespace converter
