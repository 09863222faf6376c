#include "reference/host/WineShell.h"

#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"

namespace reference {

namespace {


using UnixNameFunction = char*(__cdecl*)(const wchar_t*);
using DosNameFunction = wchar_t*(__cdecl*)(const char*);

struct WineNames {
    UnixNameFunction toUnix = nullptr;
    DosNameFunction toDos = nullptr;
};

const WineNames& wineNames()
{
    static const WineNames names = [] {
        WineNames found;
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        found.toUnix = reinterpret_cast<UnixNameFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        found.toDos = reinterpret_cast<DosNameFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
        return found;
    }();
    return names;
}

} // namespace

bool wineFileNamesAvailable()
{
    return wineNames().toUnix != nullptr && wineNames().toDos != nullptr;
}

std::string unixName(const std::wstring& windowsPath)
{
    char* name = wineNames().toUnix(windowsPath.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::wstring dosName(const std::string& unixPath)
{
    wchar_t* name = wineNames().toDos(unixPath.c_str());
    if (name == nullptr) {
        return {};
    }
    std::wstring result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string unixNameWithoutDriveLinks(const std::wstring& windowsPath)
{
    const std::string name = unixName(windowsPath);
    const size_t at = name.find("/dosdevices/");
    const size_t drive = at + 12;
    if (at == std::string::npos || name.size() < drive + 2 || name[drive + 1] != ':') {
        return name;
    }
    const std::string rest = name.substr(drive + 2);
    std::string candidate;
    if (name[drive] == 'c') {
        candidate = name.substr(0, at) + "/drive_c" + rest;
    } else if (name[drive] == 'z') {
        candidate = rest.empty() ? "/" : rest;
    }
    // Taken only when it leads to the same place (its DOS name names an existing folder or
    // file of the same kind).
    const DWORD attributes = GetFileAttributesW(windowsPath.c_str());
    if (candidate.empty() || candidate.find(':') != std::string::npos || attributes == INVALID_FILE_ATTRIBUTES) {
        return name;
    }
    const std::wstring back = dosName(candidate);
    return !back.empty() && GetFileAttributesW(back.c_str()) == attributes ? candidate : name;
}

std::string shellWord(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Starts "/usr/bin/setsid /bin/sh <script> <arguments>" without waiting. Wine finds the
// program by its DOS name and hands it the other words, split as Windows splits them.
// For a Linux program Wine's CreateProcessW gives no process (process id 0, a null or stray handle): nothing it
// returns is ours, so none of it is closed or used; closing a stray handle number would
// close one of this program's own files.
bool startShellScript(const std::vector<std::string>& scriptAndArguments)
{
    std::wstring commandLine = L"\"" + dosName("/usr/bin/setsid") + L"\" /bin/sh";
    for (const auto& word : scriptAndArguments) {
        commandLine += L" \"" + fromUtf8(word) + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    if (process.dwProcessId != 0 && process.hProcess != nullptr && GetProcessId(process.hProcess) == process.dwProcessId) {
        CloseHandle(process.hThread); // a real Windows process after all
        CloseHandle(process.hProcess);
    }
    return true;
}

namespace {

// The dispatcher: one Linux shell started once per run, which starts the jobs and sends
// the signals the queue file asks for (one line each), so a job costs an appended line
// instead of a Windows process start (about 40 ms under Wine). tail -f follows the queue
// (inotify: no polling). A watchdog ends every job and removes the run's files when the
// converter stops touching its heartbeat file (it was terminated by force). It lets go
// of the standard handles it inherited, so a pipe the converter writes to ends when the
// converter ends.
const char* const kDispatcher = R"SH(exec < /dev/null > /dev/null 2>&1
cd "$1" || exit 1
fifo=$(mktemp -u /tmp/korvello-queue.XXXXXX) && mkfifo "$fifo" || exit 1
tail -f -n +1 queue > "$fifo" &
tail=$!
(
    while sleep 2; do
        seen=$(stat -c %Y alive 2>/dev/null || echo 0)
        [ $(( $(date +%s) - seen )) -gt 12 ] || continue
        for group in "$1"/job*/pid; do [ -f "$group" ] && kill -KILL -"$(cat "$group")" 2>/dev/null; done
        rm -rf "$1" "$2"
        kill $tail
        exit
    done
) &
watchdog=$!
while IFS= read -r line; do
    case $line in
    exit) break ;;
    run\ *) setsid /bin/sh "${line#run }" < /dev/null > /dev/null 2>&1 & ;;
    *) eval "$line" ;;
    esac
done < "$fifo"
kill $tail $watchdog 2>/dev/null
rm -f "$fifo"
)SH";

} // namespace

Dispatcher::Dispatcher(const std::wstring& workFolder, const std::wstring& leftovers)
    : queuePath_(workFolder + L"\\queue"), alivePath_(workFolder + L"\\alive")
{
    writeWholeFile(alivePath_, "1");
    const std::wstring script = workFolder + L"\\dispatch.sh";
    if (!writeWholeFile(queuePath_, "") || !writeWholeFile(script, kDispatcher)) {
        return;
    }
    queue_ = CreateFileW(queuePath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    stopBeating_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (queue_ == INVALID_HANDLE_VALUE || stopBeating_ == nullptr
        || !startShellScript({unixName(script), unixName(workFolder),
            leftovers.empty() ? std::string("/nonexistent") : unixName(leftovers)})) {
        return;
    }
    heartbeat_ = CreateThread(nullptr, 0, &Dispatcher::beat, this, 0, nullptr);
    running_ = heartbeat_ != nullptr;
}

bool Dispatcher::send(const std::string& line)
{
    const std::string bytes = line + "\n";
    DWORD written = 0;
    return running_ && WriteFile(queue_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
        && written == bytes.size();
}

void Dispatcher::close()
{
    if (running_) {
        send("exit");
        running_ = false;
    }
    if (heartbeat_ != nullptr) {
        SetEvent(stopBeating_);
        WaitForSingleObject(heartbeat_, 2000);
        CloseHandle(heartbeat_);
        heartbeat_ = nullptr;
    }
    if (stopBeating_ != nullptr) {
        CloseHandle(stopBeating_);
        stopBeating_ = nullptr;
    }
    if (queue_ != INVALID_HANDLE_VALUE) {
        CloseHandle(queue_);
        queue_ = INVALID_HANDLE_VALUE;
    }
}

DWORD WINAPI Dispatcher::beat(void* self)
{
    auto* dispatcher = static_cast<Dispatcher*>(self);
    unsigned count = 0;
    while (WaitForSingleObject(dispatcher->stopBeating_, 1000) == WAIT_TIMEOUT) {
        writeWholeFile(dispatcher->alivePath_, std::to_string(++count));
    }
    return 0;
}

} // namespace reference
