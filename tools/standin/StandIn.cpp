// korvello-standin: a test double of the converter korvello.exe.
//
//   korvello-standin.exe --killevent=<name> [options] "<input>" "<output>" [--force]
//
// It creates (or opens) the named auto-reset kill event at start and holds it; when the
// event is signalled it exits with 5963, unless its script says "kill ignore". It plays a
// script given by --standin-script=<path> or the environment variable
// KORVELLO_STANDIN_SCRIPT=<path>; without one it plays a realistic five-page run.
//
// Script: UTF-8 text, one command per line ("#" comments and empty lines skipped):
//   line TEXT         TEXT and CR LF to standard output
//   out TEXT          TEXT without a line end
//   err TEXT          TEXT and CR LF to standard error
//   encoding E        ansi | utf8 | <code page>: how the following texts are encoded
//   sleep MS          wait (an honoured kill signal ends the run at any point with 5963)
//   flood N PERCENT   N lines as fast as possible, PERCENT% "Flood message <k>", the rest
//                     "flood filler <k>", written in blocks of whole lines (<= 4 KiB)
//   kill honour|ignore
//   output on|off     whether the output file is written at a successful end
//   exit CODE         end now with CODE (the script's end exits with 0)
//   stamp TAG         append "stamp TAG <ticks>" to the report file
//   pages N MS[,MS...] the page-count line for N pages, then "Page k" for each page
//                     followed by a wait of the k-th time of the list (taken round again
//                     when the list is shorter); each page line is reported with its ticks
//   spawn MS          start a copy of the stand-in that holds this one's standard output
//                     and standard error open for MS milliseconds (a grandchild of the
//                     front end), without waiting for it
// Escapes in texts: \r \n \t \0 \\ \xHH (a raw byte, not re-encoded).
// KORVELLO_STANDIN_REPORT=<path>: records of what happened are appended there
// (start, kill, flood, stamp, exit), with performance-counter ticks.
// See tools/standin/README.md.

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kExitCanceled = 5963;

std::wstring gReportPath;
std::atomic<bool> gHonourKill{true};
HANDLE gKillEvent = nullptr;
HANDLE gStdout = nullptr;
HANDLE gStderr = nullptr;

long long ticksNow()
{
    LARGE_INTEGER value = {};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring fromCodePage(UINT codePage, const std::string& bytes)
{
    if (bytes.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), result.data(), size);
    return result;
}

std::string toCodePage(UINT codePage, const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

void report(const std::string& record)
{
    if (gReportPath.empty()) {
        return;
    }
    HANDLE file = CreateFileW(gReportPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string line = record + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

[[noreturn]] void finish(DWORD code)
{
    report("exit " + std::to_string(ticksNow()) + " " + std::to_string(code));
    ExitProcess(code);
}

void writeBytes(HANDLE handle, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr)) {
            return;
        }
        done += written;
    }
}

// Watches the kill event for the whole run: an honoured signal ends the process at once.
DWORD WINAPI killWatcher(void*)
{
    for (;;) {
        if (WaitForSingleObject(gKillEvent, INFINITE) != WAIT_OBJECT_0) {
            return 0;
        }
        if (gHonourKill.load()) {
            report("kill " + std::to_string(ticksNow()) + " honoured");
            finish(kExitCanceled);
        }
        report("kill " + std::to_string(ticksNow()) + " ignored");
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Encodes a script text (UTF-8) into the output code page, with the escapes applied.
// Raw bytes (\xHH) and NUL bytes are inserted after encoding the text around them.
std::string encodeText(const std::string& text, UINT codePage)
{
    std::string result;
    std::string pending;
    auto flushPending = [&]() {
        if (!pending.empty()) {
            result += codePage == CP_UTF8 ? pending : toCodePage(codePage, fromCodePage(CP_UTF8, pending));
            pending.clear();
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            pending += c;
            continue;
        }
        const char e = text[++i];
        switch (e) {
        case 'r': pending += '\r'; break;
        case 'n': pending += '\n'; break;
        case 't': pending += '\t'; break;
        case '\\': pending += '\\'; break;
        case '0':
            flushPending();
            result += '\0';
            break;
        case 'x':
            if (i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
                flushPending();
                result += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
                i += 2;
            } else {
                pending += "\\x";
            }
            break;
        default:
            pending += '\\';
            pending += e;
            break;
        }
    }
    flushPending();
    return result;
}

void flood(long long count, int percent)
{
    const long long start = ticksNow();
    std::string block;
    block.reserve(8192);
    long long shown = 0;
    for (long long k = 1; k <= count; ++k) {
        // Spread the message lines evenly: line k is a message when the running share grows.
        const long long due = k * percent / 100;
        char line[64] = {};
        if (due > shown) {
            ++shown;
            std::snprintf(line, sizeof line, "Flood message %lld\r\n", k);
        } else {
            std::snprintf(line, sizeof line, "flood filler %lld\r\n", k);
        }
        block += line;
        if (block.size() > 4096 - 64 || k == count) {
            writeBytes(gStdout, block);
            block.clear();
        }
    }
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    const long long micros = (ticksNow() - start) * 1000000 / frequency.QuadPart;
    report("flood " + std::to_string(ticksNow()) + " " + std::to_string(count) + " " + std::to_string(micros));
}

void writeOutputFile(const std::wstring& path)
{
    if (path.empty()) {
        return;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    // A placeholder with the container's magic bytes; no viewer is expected to render it.
    static const char placeholder[] = "AT&TFORM\0\0\0\x04" "DJVU";
    DWORD written = 0;
    WriteFile(file, placeholder, sizeof placeholder - 1, &written, nullptr);
    CloseHandle(file);
}

const char kDefaultScript[] =
    "line Korvello 1.0 (stand-in) converting the document\n"
    "sleep 200\n"
    "line Processing pages 1 through 5.\n"
    "line Page 1\n"
    "sleep 400\n"
    "line Page 2\n"
    "line    **** Warning: The font Helv is not embedded.\n"
    "line    A substitute font is used for it.\n"
    "line    The output may look different.\n"
    "sleep 400\n"
    "line Page 3\n"
    "line    **** This file had errors that were repaired or ignored.\n"
    "sleep 400\n"
    "line Page 4\n"
    "line Error: /undefinedresource in findresource\n"
    "sleep 400\n"
    "line Page 5\n"
    "line Loading the colour profile for the page.\n"
    "sleep 400\n"
    "line Conversion done.\n"
    "exit 0\n";

std::string readFileBytes(const std::wstring& path, bool& ok)
{
    ok = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    ok = true;
    return bytes;
}

std::wstring environment(const wchar_t* name)
{
    wchar_t buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// Starts "<this program> --standin-hold=MS" with this process's output handles.
void spawnHolder(const std::string& milliseconds)
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --standin-hold="
        + std::to_wstring(std::strtoul(milliseconds.c_str(), nullptr, 10));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = gStdout;
    startup.hStdError = gStderr;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        report("spawn " + std::to_string(info.dwProcessId));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

// "pages N MS[,MS...]": a run of N pages whose times are known to the test.
void playPages(const std::string& argument)
{
    const long count = std::strtol(argument.c_str(), nullptr, 10);
    std::vector<DWORD> times;
    const size_t space = argument.find(' ');
    for (size_t at = space; at != std::string::npos && at + 1 < argument.size();) {
        times.push_back(static_cast<DWORD>(std::strtoul(argument.c_str() + at + 1, nullptr, 10)));
        at = argument.find(',', at + 1);
    }
    writeBytes(gStdout, "Processing pages 1 through " + std::to_string(count) + ".\r\n");
    for (long page = 1; page <= count; ++page) {
        writeBytes(gStdout, "Page " + std::to_string(page) + "\r\n");
        report("page " + std::to_string(page) + " " + std::to_string(ticksNow()));
        if (!times.empty()) {
            Sleep(times[static_cast<size_t>(page - 1) % times.size()]);
        }
    }
}

} // namespace


int main()
{
    gStdout = GetStdHandle(STD_OUTPUT_HANDLE);
    gStderr = GetStdHandle(STD_ERROR_HANDLE);
    gReportPath = environment(L"KORVELLO_STANDIN_REPORT");
    report("start " + std::to_string(ticksNow()) + " " + toUtf8(GetCommandLineW()));

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring killEventName;
    std::wstring scriptPath = environment(L"KORVELLO_STANDIN_SCRIPT");
    std::vector<std::wstring> files;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument.rfind(L"--killevent=", 0) == 0) {
            killEventName = argument.substr(12);
        } else if (argument.rfind(L"--standin-script=", 0) == 0) {
            scriptPath = argument.substr(17);
        } else if (argument.rfind(L"--standin-hold=", 0) == 0) {
            // A holder started by "spawn": keeps the inherited output handles open a while.
            Sleep(static_cast<DWORD>(std::wcstoul(argument.c_str() + 15, nullptr, 10)));
            ExitProcess(0);
        } else if (!argument.empty() && argument[0] != L'-') {
            files.push_back(argument);
        }
    }
    if (argv != nullptr) {
        LocalFree(argv);
    }

    std::string script = kDefaultScript;
    if (!scriptPath.empty()) {
        bool ok = false;
        script = readFileBytes(scriptPath, ok);
        if (!ok) {
            writeBytes(gStderr, "Error: cannot read the stand-in script\r\n");
            finish(2);
        }
    }

    // A "kill" command that opens the script holds from the start: the watcher must not
    // honour a signal that arrives before the script is read.
    for (size_t at = 0; script.compare(at, 5, "kill ") == 0;) {
        const size_t end = script.find_first_of("\r\n", at);
        gHonourKill.store(script.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5) != "ignore");
        if (end == std::string::npos) {
            break;
        }
        at = script.find_first_not_of("\r\n", end);
        if (at == std::string::npos) {
            break;
        }
    }
    if (!killEventName.empty()) {
        gKillEvent = CreateEventW(nullptr, FALSE, FALSE, killEventName.c_str());
        if (gKillEvent != nullptr) {
            HANDLE watcher = CreateThread(nullptr, 0, killWatcher, nullptr, 0, nullptr);
            if (watcher != nullptr) {
                CloseHandle(watcher);
            }
        }
    }


    UINT codePage = CP_ACP;
    bool writeOutput = true;
    size_t position = 0;
    while (position < script.size()) {
        size_t end = script.find_first_of("\r\n", position);
        if (end == std::string::npos) {
            end = script.size();
        }
        const std::string commandLine = script.substr(position, end - position);
        position = end + 1;
        if (commandLine.empty() || commandLine[0] == '#') {
            continue;
        }
        const size_t space = commandLine.find(' ');
        const std::string command = commandLine.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : commandLine.substr(space + 1);
        if (command == "line") {
            writeBytes(gStdout, encodeText(argument, codePage) + "\r\n");
        } else if (command == "out") {
            writeBytes(gStdout, encodeText(argument, codePage));
        } else if (command == "err") {
            writeBytes(gStderr, encodeText(argument, codePage) + "\r\n");
        } else if (command == "encoding") {
            codePage = argument == "ansi" ? CP_ACP : argument == "utf8" ? CP_UTF8 : static_cast<UINT>(std::atoi(argument.c_str()));
        } else if (command == "sleep") {
            // The watcher thread ends the process on an honoured signal; sleeping is enough.
            Sleep(static_cast<DWORD>(std::atol(argument.c_str())));
        } else if (command == "flood") {
            long long count = 0;
            int percent = 0;
            std::sscanf(argument.c_str(), "%lld %d", &count, &percent);
            flood(count, percent);
        } else if (command == "kill") {
            gHonourKill.store(argument != "ignore");
        } else if (command == "output") {
            writeOutput = argument != "off";
        } else if (command == "exit") {
            const DWORD code = static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10));
            if (code == 0 && writeOutput && files.size() >= 2) {
                writeOutputFile(files[1]);
            }
            finish(code);
        } else if (command == "spawn") {
            spawnHolder(argument);
        } else if (command == "stamp") {
            report("stamp " + argument + " " + std::to_string(ticksNow()));
        } else if (command == "pages") {
            playPages(argument);
        }
    }
    if (writeOutput && files.size() >= 2) {
        writeOutputFile(files[1]);
    }
    finish(0);
}
