// The Windows host: runs the tools' Windows builds found on PATH (Ghostscript's console
// program gswin64c.exe or gswin32c.exe, DjVuLibre's cjb2.exe, c44.exe, ...) with one
// pipe for their standard output and error, inside a job object so a stop ends them
// and anything they started.
#include "reference/host/LineSplitter.h"
#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"

#include <windows.h>

namespace reference {

namespace {

std::wstring searchPath(const std::wstring& fileName)
{
    wchar_t found[MAX_PATH] = {};
    const DWORD length = SearchPathW(nullptr, fileName.c_str(), nullptr, MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(found) : std::wstring();
}

std::wstring windowsToolPath(const std::string& tool)
{
    if (tool == "gs") {
        for (const wchar_t* name : {L"gswin64c.exe", L"gswin32c.exe", L"gs.exe"}) {
            if (auto path = searchPath(name); !path.empty()) {
                return path;
            }
        }
        return {};
    }
    return searchPath(fromUtf8(tool) + L".exe");
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
std::wstring quoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

class WindowsJob : public ToolJob {
public:
    WindowsJob(HANDLE process, HANDLE job, HANDLE pipe)
        : process_(process), job_(job), pipe_(pipe)
    {
    }
    ~WindowsJob() override
    {
        CloseHandle(pipe_);
        CloseHandle(process_);
        CloseHandle(job_);
    }
    WindowsJob(const WindowsJob&) = delete;
    WindowsJob& operator=(const WindowsJob&) = delete;

    bool poll(std::vector<std::string>& lines) override
    {
        if (ended_) {
            return true;
        }
        const bool exited = WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
        char buffer[65536];
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr)) {
                break; // every writer has closed the pipe
            }
            if (available == 0) {
                if (!exited) {
                    return false;
                }
                break;
            }
            DWORD read = 0;
            if (!ReadFile(pipe_, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &read, nullptr)) {
                break;
            }
            splitter_.feed(buffer, read, lines);
        }
        if (!exited) {
            return false;
        }
        splitter_.finish(lines);
        DWORD code = 0;
        exitCode_ = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : -1;
        ended_ = true;
        return true;
    }

    int exitCode() const override { return exitCode_; }

    void stop() override
    {
        if (!ended_) {
            TerminateJobObject(job_, 1);
        }
    }

    void pause(bool paused) override
    {
        using SuspendFunction = LONG(NTAPI*)(HANDLE);
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const auto function = reinterpret_cast<SuspendFunction>(reinterpret_cast<void*>(
            GetProcAddress(ntdll, paused ? "NtSuspendProcess" : "NtResumeProcess")));
        if (!ended_ && paused != paused_ && function != nullptr) {
            function(process_);
            paused_ = paused;
        }
    }

    bool waitGone(unsigned milliseconds) override
    {
        return ended_ || WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
    }

private:
    HANDLE process_;
    HANDLE job_;
    HANDLE pipe_;
    LineSplitter splitter_;
    int exitCode_ = -1;
    bool ended_ = false;
    bool paused_ = false;
};

class WindowsToolHost : public ToolHost {
public:
    const char* name() const override { return "windows"; }

    bool hasTool(const std::string& tool) const override { return !windowsToolPath(tool).empty(); }

    std::wstring toolPath(const std::wstring& windowsPath) const override { return windowsPath; }

    std::unique_ptr<ToolJob> start(const std::string& tool, const std::vector<std::wstring>& arguments) override
    {
        const std::wstring program = windowsToolPath(tool);
        if (program.empty()) {
            return nullptr;
        }
        std::wstring commandLine = quoteArgument(program);
        for (const auto& argument : arguments) {
            commandLine += L" " + quoteArgument(argument);
        }
        SECURITY_ATTRIBUTES inheritable = {};
        inheritable.nLength = sizeof(inheritable);
        inheritable.bInheritHandle = TRUE;
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
            return nullptr;
        }
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        const HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
            OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION process = {};
        const HANDLE job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
            CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
        CloseHandle(writeEnd);
        if (input != INVALID_HANDLE_VALUE) {
            CloseHandle(input);
        }
        if (!started) {
            CloseHandle(readEnd);
            CloseHandle(job);
            return nullptr;
        }
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        return std::make_unique<WindowsJob>(process.hProcess, job, readEnd);
    }
};

} // namespace

std::unique_ptr<ToolHost> makeWindowsToolHost()
{
    return std::make_unique<WindowsToolHost>();
}

} // namespace reference
