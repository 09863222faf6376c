#include "converter/ProcessRunner.h"

#include <array>
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
    osError_.store(0);
}

void ProcessRunner::requestStop()
{
    stopTime_.store(tickCount()); // before the flag: the worker reads the time once it sees the flag
    stopRequested_.store(true);
}

bool ProcessRunner::drainPass(HANDLE pipeReadEnd, bool toTheEnd, bool& cutShort)
{
    // Reads of what waits, up to kReadChunkBytes at a time, handed to the reader's line
    // assembly (which gives the same lines however the bytes are split). Under Wine every
    // read and every query of the pipe is a round trip to the server, so reads of 1 KiB
    // would cost more than the lines they carry.
    // A converter that writes as fast as it is read would keep a pass going for as long as
    // it writes, starving the stop handling; a pass therefore ends after
    // kMaxPassMilliseconds unless it is the last one, after the converter has ended.
    cutShort = false;
    const DWORD start = GetTickCount();
    std::vector<char>& buffer = readBuffer_;
    buffer.resize(kReadChunkBytes);
    bool hadData = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipeReadEnd, nullptr, 0, nullptr, &available, nullptr) || available == 0) {
            return hadData;
        }
        const DWORD wanted = available < kReadChunkBytes ? available : kReadChunkBytes;
        DWORD read = 0;
        if (!ReadFile(pipeReadEnd, buffer.data(), wanted, &read, nullptr)) {
            return hadData;
        }
        hadData = true;
        reader_.consumeBytes(std::string_view(buffer.data(), read));
        if (!toTheEnd && GetTickCount() - start >= kMaxPassMilliseconds) {
            cutShort = true;
            return true;
        }
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
    result.totalPages = interpreter_.totalPages();
    result.warningCount = interpreter_.warningCount();
    result.errorCount = interpreter_.errorCount();
    result.errorCountText = interpreter_.errorCountText();
    return result;
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
    BOOL started = FALSE;
    {
        // CreateProcessW may write into the command line, so it gets a copy.
        std::vector<wchar_t> writable(commandLine_.begin(), commandLine_.end());
        writable.push_back(L'\0');
        started = CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr,
            nullptr, &startup, &info);
        if (!started) {
            osError_.store(GetLastError());
        }
    }
    if (!started) {
        OutputDebugStringW(L"CreateProcess failed.\n");
        display.endWithStartFailure();
        return 0;
    }
    win::UniqueHandle process(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    WaitForInputIdle(process.get(), INFINITE);

    // A pipe handle is signalled whether or not data waits, so waiting on it would spin.
    // The worker waits on the process alone, the longer the quieter the converter.
    bool waitFailed = false;
    bool hadData = false;
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
        const DWORD result = WaitForSingleObject(process.get(), timeout);
        if (result == WAIT_OBJECT_0) {
            break;
        }
        if (result != WAIT_TIMEOUT) {
            waitFailed = true;
            break;
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
        const std::array<win::MessageArg, 1> inserts = {win::MessageArg(static_cast<std::uint32_t>(exitCode_.load()))};
        interpreter_.reportMessage(L"process_abort %1!u!", inserts);
    } else {
        bool cutShort = false;
        drainPass(pipeReadEnd, true, cutShort);
        reader_.finishOutput();
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        exitCode_.store(code);
        reportEndOfRun((tickCount() - startTime) / 1000);
    }
    display.flushOutput(false);
    thread.reset();
    process.reset();
    display.showFinalState(outcome(waitFailed));
    return 0;
}

} // namespace converter
