#include "converter/ProcessRunner.h"

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

bool createConverterPipe(ConverterPipe& pipe, DWORD& osError)
{
    pipe.readEnd.reset();
    pipe.writeEnd.reset();
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    HANDLE inheritableRead = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&inheritableRead, &write, &attributes, 0)) {
        osError = GetLastError();
        return false;
    }
    pipe.writeEnd.reset(write);
    // The converter must not inherit the read end, or the pipe would outlive our interest.
    HANDLE process = GetCurrentProcess();
    HANDLE read = nullptr;
    if (!DuplicateHandle(process, inheritableRead, process, &read, 0, FALSE,
            DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        osError = GetLastError();
        pipe.writeEnd.reset();
        return false;
    }
    pipe.readEnd.reset(read);
    return true;
}

ProcessRunner::ProcessRunner(OutputInterpreter& interpreter, OutputReader& reader)
    : interpreter_(interpreter), reader_(reader)
{
}

void ProcessRunner::reset(const std::wstring& commandLine, KillSignaller killSignaller, const std::wstring& killEventName)
{
    commandLine_ = commandLine;
    killSignaller_ = std::move(killSignaller);
    killEventName_ = killEventName;
    stopRequested_.store(false);
    stopTime_.store(0);
    gracefulStop_.store(true);
    runFinished_.store(false);
    exitCode_.store(0);
    waitFailed_.store(false);
    osError_.store(0);
}

void ProcessRunner::requestStop()
{
    stopTime_.store(tickCount()); // before the flag: the worker reads the time once it sees the flag
    stopRequested_.store(true);
}

bool drainPipe(HANDLE readEnd, std::vector<char>& buffer, const std::function<void(std::string_view)>& consume,
    DWORD maxMilliseconds, bool& cutShort)
{
    // Under Wine every read and every query of the pipe is a round trip to the server, so
    // reads of 1 KiB would cost more than the lines they carry.
    cutShort = false;
    const DWORD start = GetTickCount();
    buffer.resize(kReadChunkBytes);
    bool hadData = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) || available == 0) {
            return hadData;
        }
        const DWORD wanted = available < kReadChunkBytes ? available : kReadChunkBytes;
        DWORD read = 0;
        if (!ReadFile(readEnd, buffer.data(), wanted, &read, nullptr)) {
            return hadData;
        }
        hadData = true;
        consume(std::string_view(buffer.data(), read));
        if (maxMilliseconds != 0 && GetTickCount() - start >= maxMilliseconds) {
            cutShort = true;
            return true;
        }
    }
}

bool ProcessRunner::drainPass(HANDLE pipeReadEnd, bool toTheEnd, bool& cutShort)
{
    // A converter that writes as fast as it is read would keep a pass going for as long as
    // it writes, starving the stop handling; a pass therefore ends after
    // kMaxPassMilliseconds unless it is the last one, after the converter has ended.
    return drainPipe(pipeReadEnd, readBuffer_, [this](std::string_view bytes) { consume(bytes); },
        toTheEnd ? 0 : kMaxPassMilliseconds, cutShort);
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
        const std::array<win::MessageArg, 1> inserts = {win::MessageArg(static_cast<std::uint32_t>(code))};
        interpreter_.reportMessage(L"process_error %1!u!", inserts);
    }
    const std::array<win::MessageArg, 1> seconds = {win::MessageArg(static_cast<std::uint32_t>(runSeconds))};
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
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
            job_.reset();
        }
    }
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> writable(commandLine_.begin(), commandLine_.end());
    writable.push_back(L'\0');
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | (job_ ? CREATE_SUSPENDED : 0);
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &info)) {
        osError_.store(GetLastError());
        job_.reset();
        return false;
    }
    if (job_) {
        if (!AssignProcessToJobObject(job_.get(), info.hProcess)) {
            job_.reset();
        }
        ResumeThread(info.hThread);
    }
    return true;
}

DWORD ProcessRunner::runWorker(RunDisplay& display, HANDLE pipeReadEnd, HANDLE pipeWriteEnd)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = pipeWriteEnd;
    startup.hStdError = pipeWriteEnd;

    const DWORD startTime = tickCount();

    PROCESS_INFORMATION info = {};
    if (!startConverter(startup, info)) {
        OutputDebugStringW(L"CreateProcess failed.\n");
        display.endWithStartFailure();
        return 0;
    }
    win::UniqueHandle process(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    interpreter_.reportStartWarnings();

    // A pipe handle is signalled whether or not data waits, so waiting on it would spin.
    // The worker waits on the process alone, the longer the quieter the converter.
    bool waitFailed = false;
    DWORD waitError = 0;
    bool hadData = false;
    bool awaitingInputIdle = true;
    const DWORD idleWaitStart = GetTickCount();
    DWORD lastDataTick = GetTickCount() - kRecentWindowMilliseconds - 1;
    for (;;) {
        const DWORD quietFor = GetTickCount() - lastDataTick;
        DWORD timeout = kQuietPollMilliseconds;
        if (hadData) {
            timeout = 0;
        } else if (quietFor <= kBusyWindowMilliseconds) {
            timeout = kBusyPollMilliseconds;
        } else if (quietFor <= kRecentWindowMilliseconds) {
            timeout = kRecentPollMilliseconds;
        }
        const DWORD result = processWait_ ? processWait_(process.get(), timeout)
                                          : WaitForSingleObject(process.get(), timeout);
        if (result == WAIT_OBJECT_0) {
            break;
        }
        if (result != WAIT_TIMEOUT) {
            waitError = GetLastError();
            waitFailed = true;
            break;
        }
        if (awaitingInputIdle) {
            // Never blocks: a GUI-subsystem converter that writes a lot before it pumps
            // messages would otherwise wait on the full pipe while the worker waits on it.
            if (WaitForInputIdle(process.get(), 0) != WAIT_TIMEOUT
                || GetTickCount() - idleWaitStart >= kInputIdleMilliseconds) {
                awaitingInputIdle = false;
            }
        }
        bool cutShort = false;
        hadData = drainPass(pipeReadEnd, false, cutShort);
        if (hadData) {
            lastDataTick = GetTickCount();
        }
        // Only a pass that found the pipe empty tells the display that output has paused.
        display.flushOutput(cutShort || hadData);
        handleStop(display, process.get());
    }

    if (waitFailed) {
        // The converter can no longer be followed: the run has failed, and the converter
        // is ended rather than left to write the output alone.
        waitFailed_.store(true);
        TerminateProcess(process.get(), kExitTerminated);
        bool cutShort = false;
        drainPass(pipeReadEnd, true, cutShort);
        consumeFinal();
        const std::array<win::MessageArg, 1> inserts = {
            win::MessageArg(static_cast<std::uint32_t>(waitError != 0 ? waitError : ERROR_INVALID_HANDLE))};
        reportSafely(L"process_abort %1!u!", inserts);
    } else {
        bool cutShort = false;
        drainPass(pipeReadEnd, true, cutShort);
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
    job_.reset();
    display.showFinalState(outcome(waitFailed));
    return 0;
}

void ProcessRunner::consumeFinal()
{
    try {
        reader_.finishOutput();
    } catch (const std::bad_alloc&) {
        reader_.reset();
        interpreter_.reportOutOfMemory();
    }
}

void ProcessRunner::reportSafely(std::wstring_view templateText, std::span<const win::MessageArg> inserts)
{
    try {
        interpreter_.reportMessage(templateText, inserts);
    } catch (const std::bad_alloc&) {
        interpreter_.reportOutOfMemory();
    }
}

} // namespace converter
