// Figures of one converter run behind the progress dialog, with the stand-in converter
// (copied beside this program as korvello.exe) and the shipped rule file plus two rules
// for the benchmark's own lines:
//   1. CPU time of this process while the converter prints nothing for 8 s, with the busy
//      animation playing and stopped;
//   2. latency from a line written by the converter to its status text or row;
//   3. a flood of 100,000 lines (5% shown as rows): time to the final display, against
//      the converter writing the same lines to a raw reader;
//   4. Cancel during a long flood: time until the button is disabled and until the
//      final display;
//   5. a click on a column header of 60,000 rows; the working set with 300,000 rows;
//   6. the time-left estimate against a scripted run's real time (EtaBench.cpp).
// It ends with one "figure <name> <value> <unit>" line per figure.
// "bench_run.exe demo" shows the stand-in's realistic run with the shipped rules (for
// screenshots); a single argument idle, latency, flood, cancel, sort, memory or interpret
// (or eta) runs one part; "idle-detail" gives the idle CPU of a bare process.
// Observation goes through subclasses of the dialog's controls, so the dialog's code is
// measured as it is.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "EtaBench.h"
#include "converter/ProcessRunner.h"
#include "converter/ConversionRun.h"
#include "ui/ProgressDialog.h"
#include "res/resource.h"
#include "win/Module.h"
#include "base/StringTable.h"
#include "support/BenchSupport.h"
#include "support/DialogDriving.h"
#include "support/ScratchFiles.h"

using bench::figure;
using bench::median;
using bench::qpcNow;
using bench::qpcToMs;

namespace {

std::wstring directoryOfProgram()
{
    const std::wstring path = win::modulePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring temporaryPath(const std::wstring& name)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer) + L"bench_run_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

// Records of the stand-in's report file: "<name> ... <ticks> ..." lines.
std::vector<std::string> reportLines(const std::wstring& reportPath, const std::string& prefix)
{
    std::vector<std::string> lines;
    const std::string bytes = testing_support::readFileBytes(reportPath);
    size_t position = 0;
    while (position < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", position);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        if (bytes.compare(position, prefix.size(), prefix) == 0) {
            lines.push_back(bytes.substr(position, end - position));
        }
        position = end + 1;
    }
    return lines;
}

// ---- What the dialog thread does, seen through a hook --------------------------------

struct Observation {
    std::atomic<HWND> dialog{nullptr};
    std::atomic<bool> finalShown{false};
    std::atomic<int> rows{0};
    std::atomic<long long> finalAt{0};
    std::atomic<long long> buttonDisabledAt{0};
    std::atomic<long long> activatedAt{0};
    std::vector<std::pair<long long, std::wstring>> statusTexts; // dialog thread only
    std::vector<std::pair<long long, std::wstring>> rowTexts;    // dialog thread only
    bool recordTexts = false;
};

Observation* gObservation = nullptr;
std::wstring gOkText;

// Watches the status label, button 2 and (for the latency figures) the message list
// through window subclasses. A hook on every sent message would slow the dialog down.
LRESULT CALLBACK observeControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    Observation* seen = gObservation;
    if (seen != nullptr) {
        if (message == WM_SETTEXT && id == IDC_PROGRESS_STATUS && seen->recordTexts) {
            seen->statusTexts.emplace_back(qpcNow(), reinterpret_cast<const wchar_t*>(lParam));
        } else if (message == WM_SETTEXT && id == IDCANCEL && gOkText == reinterpret_cast<const wchar_t*>(lParam)) {
            seen->finalAt = qpcNow();
            seen->rows = static_cast<int>(
                SendMessageW(GetDlgItem(GetParent(window), IDC_PROGRESS_MESSAGES), LVM_GETITEMCOUNT, 0, 0));
            seen->finalShown = true;
        } else if (message == WM_ENABLE && id == IDCANCEL && wParam == FALSE && seen->buttonDisabledAt == 0) {
            seen->buttonDisabledAt = qpcNow();
        } else if (message == LVM_SETITEMCOUNT && id == IDC_PROGRESS_MESSAGES && seen->recordTexts && wParam > 0) {
            // The owner-data list learns of new rows: the newest one is read back through it.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            wchar_t text[256] = {};
            LVITEMW cell = {};
            cell.iSubItem = 2;
            cell.pszText = text;
            cell.cchTextMax = 256;
            SendMessageW(window, LVM_GETITEMTEXTW, wParam - 1, reinterpret_cast<LPARAM>(&cell));
            seen->rowTexts.emplace_back(qpcNow(), text);
            return result;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// When the progress dialog is activated (right after its initialisation), its controls
// are subclassed.
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && gObservation != nullptr && gObservation->dialog == nullptr) {
        const auto dialog = reinterpret_cast<HWND>(wParam);
        if (GetDlgItem(dialog, IDC_PROGRESS_MESSAGES) != nullptr) {
            gObservation->dialog = dialog;
            gObservation->activatedAt = qpcNow();
            // The list only when its texts are wanted: under Wine a subclass costs a server
            // call per message, which would slow down the rows being measured.
            for (int id : {IDC_PROGRESS_STATUS, IDCANCEL, IDC_PROGRESS_MESSAGES}) {
                if (id != IDC_PROGRESS_MESSAGES || gObservation->recordTexts) {
                    SetWindowSubclass(GetDlgItem(dialog, id), observeControl, static_cast<UINT_PTR>(id), 0);
                }
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct RunResult {
    INT_PTR endCode = 0;
    long long startedAt = 0;
    DWORD exitCode = 0;
};

// One run of the real dialog. The driver thread gets the observation; when it returns,
// the dialog is closed as soon as its final state is shown.
template <typename Driver>
RunResult runDialog(const std::wstring& ruleFile, const std::string& script, Observation& seen, Driver driver)
{
    const std::wstring scriptPath = temporaryPath(L"script.txt");
    testing_support::writeFileBytes(scriptPath, script);
    const std::wstring eventName = converter::killEventName((static_cast<unsigned long long>(GetCurrentProcessId()) << 32) | static_cast<unsigned>(GetTickCount()));
    const std::wstring commandLine = L"\"" + directoryOfProgram() + L"korvello.exe\" --killevent=" + eventName
        + L" --standin-script=" + scriptPath + L" \"input.pdf\" \"" + temporaryPath(L"out.djvu") + L"\"";

    gObservation = &seen;
    HHOOK hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    std::atomic<bool> done{false};
    std::thread driverThread([&] {
        driver(seen);
        while (!done.load()) {
            if (seen.finalShown.load() && seen.dialog != nullptr) {
                PostMessageW(seen.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            Sleep(20);
        }
    });
    RunResult result;
    converter::ConversionRun run(ruleFile);
    ui::ProgressDialog dialog(L"Benchmark - Korvello Converter", base::loadString(IDS_STARTING_CONVERSION), L"");
    converter::RunSetup setup;
    setup.commandLine = commandLine;
    setup.killEventName = eventName;
    result.startedAt = qpcNow();
    const converter::RunResult ended = run.run(setup, dialog);
    result.endCode = ended.end == converter::RunEnd::Closed ? 1 : 3;
    result.exitCode = ended.exitCode;
    done = true;
    driverThread.join();
    UnhookWindowsHookEx(hook);
    gObservation = nullptr;
    DeleteFileW(scriptPath.c_str());
    return result;
}

double processCpuMs()
{
    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto value = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

// Under Wine on Linux the process's threads are Linux threads, and the scheduler keeps
// each one's time on a CPU in nanoseconds (/proc/<pid>/task/<id>/schedstat); the process
// times above come in 10 ms ticks, too coarse for an idle process. Files are opened by
// Wine's server, so /proc/self would be the server: this process is found by its command
// line. Empty when that cannot be done.
std::wstring gProcFolder;

std::vector<std::pair<std::wstring, double>> threadCpuMs()
{
    std::vector<std::pair<std::wstring, double>> threads;
    if (gProcFolder.empty()) {
        std::wstring name = win::modulePath();
        name = name.substr(name.find_last_of(L"\\/") + 1);
        const std::string ownName(name.begin(), name.end());
        WIN32_FIND_DATAW entry = {};
        HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
        if (search == INVALID_HANDLE_VALUE) {
            return threads;
        }
        do {
            const std::wstring folder = std::wstring(L"Z:\\proc\\") + entry.cFileName;
            const std::string commandLine = entry.cFileName[0] >= L'0' && entry.cFileName[0] <= L'9'
                ? testing_support::readFileBytes(folder + L"\\cmdline") : std::string();
            const std::string program = commandLine.substr(0, commandLine.find('\0')); // argv[0]
            if (program.size() >= ownName.size()
                && _stricmp(program.c_str() + program.size() - ownName.size(), ownName.c_str()) == 0) {
                gProcFolder = folder;
                break;
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    WIN32_FIND_DATAW entry = {};
    HANDLE search = gProcFolder.empty() ? INVALID_HANDLE_VALUE
                                        : FindFirstFileW((gProcFolder + L"\\task\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return threads;
    }
    do {
        unsigned long long nanoseconds = 0;
        if (entry.cFileName[0] != L'.'
            && std::sscanf(testing_support::readFileBytes(gProcFolder + L"\\task\\" + entry.cFileName + L"\\schedstat").c_str(), "%llu",
                   &nanoseconds) == 1) {
            threads.emplace_back(entry.cFileName, static_cast<double>(nanoseconds) / 1e6);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return threads;
}

// The Linux thread of the caller: the one that gains 30 ms while the caller spins.
std::wstring callingThread()
{
    const auto before = threadCpuMs();
    const long long start = qpcNow();
    while (qpcToMs(qpcNow() - start) < 30) {
    }
    std::wstring caller;
    double largest = 20;
    for (const auto& [id, ms] : threadCpuMs()) {
        for (const auto& [earlierId, earlierMs] : before) {
            if (id == earlierId && ms - earlierMs > largest) {
                largest = ms - earlierMs;
                caller = id;
            }
        }
    }
    return caller;
}

// The CPU time of every thread but one (the measuring thread); negative when unknown.
double schedulerCpuMs(const std::wstring& except)
{
    const auto threads = threadCpuMs();
    double total = 0;
    for (const auto& [id, ms] : threads) {
        total += id == except ? 0 : ms;
    }
    return threads.empty() ? -1 : total;
}

// ---- 1. Idle CPU -----------------------------------------------------------------------

void benchIdleCpu(const std::wstring& ruleFile, bool stopAnimation)
{
    Observation seen;
    double cpuAtStart = 0;
    double cpuAtEnd = 0;
    double schedAtStart = 0;
    double schedAtEnd = 0;
    long long windowStart = 0;
    long long windowEnd = 0;
    runDialog(ruleFile, "line Processing pages 1 through 1.\nsleep 10000\nexit 0\n", seen, [&](Observation& observed) {
        Sleep(1000); // the dialog and the converter are up
        if (stopAnimation && observed.dialog.load() != nullptr) {
            SendMessageW(GetDlgItem(observed.dialog.load(), IDC_PROGRESS_ANIMATION), ACM_STOP, 0, 0);
        }
        // The pointer away from the dialog: resting on the list, it has the list poll for
        // a hover every 400 ms (Wine).
        SetCursorPos(0, 0);
        const std::wstring measuring = callingThread();
        windowStart = qpcNow();
        cpuAtStart = processCpuMs();
        schedAtStart = schedulerCpuMs(measuring);
        Sleep(8000);
        schedAtEnd = schedulerCpuMs(measuring);
        cpuAtEnd = processCpuMs();
        windowEnd = qpcNow();
    });
    const double wallMs = qpcToMs(windowEnd - windowStart);
    const double tickedMs = cpuAtEnd - cpuAtStart;
    const bool precise = schedAtStart >= 0 && schedAtEnd >= 0; // else 10 ms ticks
    const double cpuMs = precise ? schedAtEnd - schedAtStart : tickedMs;
    std::printf("idle%s: converter silent, front end CPU %.2f ms (%s; process times: %.0f ms) in %.0f ms of wall "
                "time = %.4f%% of one core\n",
        stopAnimation ? " (animation stopped)" : "", cpuMs, precise ? "scheduler, the front end's threads" : "process times",
        tickedMs, wallMs, 100.0 * cpuMs / wallMs);
    figure(stopAnimation ? "idle_cpu_pct_no_animation" : "idle_cpu_pct", 100.0 * cpuMs / wallMs, "percent");
}

// The same process with no dialog and no run: what an idle Wine process costs.
void benchIdleBaseline()
{
    const double cpuAtStart = processCpuMs();
    const long long start = qpcNow();
    Sleep(8000);
    const double cpuMs = processCpuMs() - cpuAtStart;
    const double wallMs = qpcToMs(qpcNow() - start);
    std::printf("idle baseline: no dialog, CPU %.1f ms in %.0f ms = %.3f%% of one core\n", cpuMs, wallMs,
        100.0 * cpuMs / wallMs);
}

// ---- 2. Latency ------------------------------------------------------------------------

// Lines written every gapMs milliseconds (half of them page lines, half shown rows).
void benchLatency(const std::wstring& ruleFile, const std::wstring& reportPath, int kPages, int gapMs,
    const char* figureName)
{
    std::string script = "line Processing pages 1 through " + std::to_string(kPages) + ".\n";
    for (int page = 1; page <= kPages; ++page) {
        script += "sleep " + std::to_string(gapMs + page % 7) + "\nline Page " + std::to_string(page) + "\nstamp page"
            + std::to_string(page) + "\n";
        script += "sleep " + std::to_string(gapMs - page % 5) + "\nline Latency row " + std::to_string(page)
            + "\nstamp row" + std::to_string(page) + "\n";
    }
    script += "exit 0\n";
    DeleteFileW(reportPath.c_str());
    Observation seen;
    seen.recordTexts = true;
    runDialog(ruleFile, script, seen, [](Observation&) {});

    std::vector<double> statusLatencies;
    std::vector<double> rowLatencies;
    for (const std::string& record : reportLines(reportPath, "stamp ")) {
        char tag[32] = {};
        long long ticks = 0;
        if (std::sscanf(record.c_str(), "stamp %31s %lld", tag, &ticks) != 2) {
            continue;
        }
        const std::string name = tag;
        if (name.rfind("page", 0) == 0) {
            const int page = std::atoi(name.c_str() + 4);
            const std::wstring expected = base::formatString(IDS_PROCESSING_PAGE, {page, kPages});
            for (const auto& [at, text] : seen.statusTexts) {
                if (text == expected) {
                    statusLatencies.push_back(qpcToMs(at - ticks));
                    break;
                }
            }
        } else if (name.rfind("row", 0) == 0) {
            const std::wstring expected = L"Latency row " + std::to_wstring(std::atoi(name.c_str() + 3));
            for (const auto& [at, text] : seen.rowTexts) {
                if (text == expected) {
                    rowLatencies.push_back(qpcToMs(at - ticks));
                    break;
                }
            }
        }
    }
    auto maximum = [](const std::vector<double>& values) {
        return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
    };
    std::printf("latency, a line every %d ms: status text median %.1f ms, max %.1f ms (%zu lines); row median %.1f ms, max %.1f ms (%zu lines)\n", gapMs,
        median(statusLatencies), maximum(statusLatencies), statusLatencies.size(), median(rowLatencies),
        maximum(rowLatencies), rowLatencies.size());
    std::vector<double> all = statusLatencies;
    all.insert(all.end(), rowLatencies.begin(), rowLatencies.end());
    figure(figureName, median(all), "ms");
}

// ---- 3. Flood --------------------------------------------------------------------------

// The stand-in writing the flood into a pipe that is read as fast as possible.
double rawFloodMs(const std::string& script, long long& floodMicros, const std::wstring& reportPath)
{
    const std::wstring scriptPath = temporaryPath(L"raw.txt");
    testing_support::writeFileBytes(scriptPath, script);
    DeleteFileW(reportPath.c_str());
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.bInheritHandle = TRUE;
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    CreatePipe(&read, &write, &attributes, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write;
    startup.hStdError = write;
    std::wstring commandLine = L"\"" + directoryOfProgram() + L"korvello.exe\" --standin-script=" + scriptPath
        + L" \"input.pdf\" \"" + temporaryPath(L"raw.djvu") + L"\"";
    PROCESS_INFORMATION info = {};
    const long long start = qpcNow();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
            &startup, &info)) {
        CloseHandle(read);
        CloseHandle(write);
        return -1;
    }
    CloseHandle(write); // the child holds the only write end: end of data when it exits
    std::vector<char> buffer(65536);
    DWORD got = 0;
    unsigned long long total = 0;
    while (ReadFile(read, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
        total += got;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    const long long end = qpcNow();
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(read);
    DeleteFileW(scriptPath.c_str());
    floodMicros = 0;
    for (const std::string& record : reportLines(reportPath, "flood ")) {
        long long ticks = 0;
        long long count = 0;
        std::sscanf(record.c_str(), "flood %lld %lld %lld", &ticks, &count, &floodMicros);
    }
    std::printf("flood raw: %llu bytes read in %.0f ms (converter start to exit); converter's own writing %.0f ms\n",
        total, qpcToMs(end - start), floodMicros / 1000.0);
    return qpcToMs(end - start);
}

// Rounds of the raw reader and the dialog, side by side; the figures are medians, as
// single runs on a shared machine vary by half.
void benchFlood(const std::wstring& ruleFile, const std::wstring& reportPath, const char* rulesName, bool figures)
{
    constexpr int kRounds = 7;
    const std::string script = "flood 100000 5\nexit 0\n";
    std::vector<double> rawTotals, rawWriting, totals, writing, rowRates;
    for (int round = 0; round < kRounds; ++round) {
        long long rawFloodMicros = 0;
        rawTotals.push_back(rawFloodMs(script, rawFloodMicros, reportPath));
        rawWriting.push_back(rawFloodMicros / 1000.0);

        DeleteFileW(reportPath.c_str());
        Observation seen;
        const RunResult run = runDialog(ruleFile, script, seen, [](Observation&) {});
        long long floodMicros = 0;
        for (const std::string& record : reportLines(reportPath, "flood ")) {
            long long ticks = 0;
            long long count = 0;
            std::sscanf(record.c_str(), "flood %lld %lld %lld", &ticks, &count, &floodMicros);
        }
        const double totalMs = qpcToMs(seen.finalAt - run.startedAt);
        totals.push_back(totalMs);
        writing.push_back(floodMicros / 1000.0);
        rowRates.push_back(seen.rows.load() * 1000.0 / totalMs);
        std::printf("flood dialog (%s): 100000 lines, %d rows; shown after %.0f ms, final display %.0f ms after the "
                    "run started (raw reader: %.0f ms); converter's own writing %.0f ms (raw: %.0f ms); "
                    "%.0f rows/s; exit %lu\n",
            rulesName, seen.rows.load(), qpcToMs(seen.activatedAt - run.startedAt), totalMs, rawTotals.back(),
            writing.back(), rawWriting.back(), rowRates.back(), run.exitCode);
    }
    std::printf("flood (%s), medians of %d rounds: final display %.0f ms, raw reader %.0f ms; converter's own writing "
                "%.0f ms, against the raw reader %.0f ms\n",
        rulesName, kRounds, median(totals), median(rawTotals), median(writing), median(rawWriting));
    if (figures) {
        figure("flood_rows_per_s", median(rowRates), "rows/s");
        figure("flood_vs_raw", median(totals) / median(rawTotals), "ratio");
        figure("converter_slowdown", median(writing) / median(rawWriting), "ratio");
    }
}

// ---- 4. Cancel during a flood ----------------------------------------------------------

void benchCancelDuringFlood(const std::wstring& ruleFile)
{
    Observation seen;
    long long pressedAt = 0;
    int rowsAtPress = 0;
    const RunResult run = runDialog(ruleFile, "flood 5000000 5\nexit 0\n", seen, [&](Observation& observed) {
        auto listRows = [&observed] {
            const HWND dialog = observed.dialog.load();
            return dialog == nullptr ? 0
                                     : static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES),
                                           LVM_GETITEMCOUNT, 0, 0));
        };
        while (listRows() == 0) {
            Sleep(10);
        }
        Sleep(500); // well into the flood
        rowsAtPress = listRows();
        pressedAt = qpcNow();
        PostMessageW(observed.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    std::printf("cancel during flood: %d rows shown when pressed; button disabled after %.1f ms, final display "
                "after %.1f ms; exit %lu\n",
        rowsAtPress, qpcToMs(seen.buttonDisabledAt - pressedAt), qpcToMs(seen.finalAt - pressedAt), run.exitCode);
    figure("cancel_ms", qpcToMs(seen.finalAt - pressedAt), "ms");
}

// ---- 5. Sorting and memory ------------------------------------------------------------

// A click on a column header of 60,000 rows: the sort and the repaint, as long as the
// dialog is blocked (sent from another thread, so it waits for both).
void benchSort(const std::wstring& ruleFile)
{
    Observation seen;
    std::vector<double> times;
    runDialog(ruleFile, "flood 60000 100\nexit 0\n", seen, [&](Observation& observed) {
        while (!observed.finalShown.load()) {
            Sleep(20);
        }
        const HWND dialog = observed.dialog.load();
        for (int column : {2, 2, 1, 1, 0}) {
            const long long start = qpcNow();
            testing_support::clickListColumn(dialog, IDC_PROGRESS_MESSAGES, column);
            UpdateWindow(GetDlgItem(dialog, IDC_PROGRESS_MESSAGES));
            times.push_back(qpcToMs(qpcNow() - start));
        }
    });
    std::printf("sort of %d rows: median %.1f ms of %zu clicks (description, page, type)\n", seen.rows.load(),
        median(times), times.size());
    figure("sort_60k_ms", median(times), "ms");
}

double workingSetMiB()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// 300,000 rows: the working set at the final display, and its growth per row against the
// row's own text.
void benchRowMemory(const std::wstring& ruleFile)
{
    Observation seen;
    double before = 0;
    double after = 0;
    runDialog(ruleFile, "flood 300000 100\nexit 0\n", seen, [&](Observation& observed) {
        before = workingSetMiB();
        while (!observed.finalShown.load()) {
            Sleep(20);
        }
        after = workingSetMiB();
    });
    const int rows = seen.rows.load();
    // "Flood message <k>" for k = 1..300000, in UTF-16.
    double textBytes = 0;
    for (int k = 1; k <= 300000; ++k) {
        textBytes += 2.0 * (14 + std::to_string(k).size());
    }
    const double growthPerRow = rows > 0 ? (after - before) * 1024 * 1024 / rows : 0;
    std::printf("rows in memory: %d rows, working set %.1f MiB at the final display (%.1f MiB before the output); "
                "growth %.0f bytes per row, its text %.0f bytes\n",
        rows, after, before, growthPerRow, textBytes / 300000);
    figure("rows_300k_working_set_mib", after, "MiB");
}

// ---- 6. Interpretation alone -----------------------------------------------------------

class NullView : public converter::ProgressView {
public:
    void setProgressRange(int) override {}
    void setProgressPosition(int) override {}
    void setStatusText(const std::wstring&) override {}
    void showCounter(converter::MessageType) override {}
    void setCounterText(converter::MessageType, const std::wstring&) override {}
    void addMessageRow(converter::MessageType, const std::wstring&, const std::wstring&) override { ++rows; }
    int rows = 0;
};

void benchInterpretation(const std::wstring& ruleFile)
{
    std::string bytes;
    for (int k = 1; k <= 100000; ++k) {
        bytes += (k % 20 == 0 ? "Flood message " : "flood filler ") + std::to_string(k) + "\r\n";
    }
    NullView view;
    converter::MessageRuleSet rules;
    rules.loadRules(ruleFile);
    converter::OutputInterpreter interpreter(view, rules);
    interpreter.reset(nullptr);
    size_t lines = 0;
    converter::OutputReader reader([&](std::wstring_view) { ++lines; });
    long long start = qpcNow();
    reader.consumeBytes(bytes);
    const double assemblyMs = qpcToMs(qpcNow() - start);
    converter::OutputReader interpreting([&](std::wstring_view line) { interpreter.interpretLine(line); });
    start = qpcNow();
    interpreting.consumeBytes(bytes);
    const double interpretMs = qpcToMs(qpcNow() - start);
    std::printf("interpretation alone: 100000 lines assembled and decoded in %.0f ms; with interpretation and %zu rules "
                "in %.0f ms (%d rows)\n", assemblyMs, rules.ruleCount(), interpretMs, view.rows);
}

class NullDisplay : public converter::RunDisplay {
public:
    explicit NullDisplay(converter::ProcessRunner& runner) : runner_(runner) {}
    void flushOutput(bool) override {}
    void offerAbort() override {}
    void runEnded(const converter::RunOutcome&) override { runner_.markRunFinished(); }
    void startFailed() override {}

private:
    converter::ProcessRunner& runner_;
};

// The whole worker (pipe, reading, interpretation) without a dialog.
void benchRunnerWithoutDialog(const std::wstring& ruleFile, bool withRules)
{
    const std::wstring scriptPath = temporaryPath(L"nodialog.txt");
    testing_support::writeFileBytes(scriptPath, "flood 100000 5\nexit 0\n");
    NullView view;
    converter::MessageRuleSet rules;
    if (withRules) {
        rules.loadRules(ruleFile);
    }
    converter::OutputInterpreter interpreter(view, rules);
    interpreter.reset(nullptr);
    converter::OutputReader reader([&](std::wstring_view line) { interpreter.interpretLine(line); });
    converter::ProcessRunner runner(interpreter, reader);
    runner.reset(L"\"" + directoryOfProgram() + L"korvello.exe\" --standin-script=" + scriptPath
        + L" \"input.pdf\" \"" + temporaryPath(L"nodialog.djvu") + L"\"", nullptr, L"");
    NullDisplay display(runner);
    converter::OutputPipe pipe;
    DWORD error = 0;
    pipe.create(error);
    const long long start = qpcNow();
    runner.runWorker(display, pipe);
    std::printf("worker without dialog (%zu rules): 100000 lines, %d rows, %.0f ms\n", rules.ruleCount(), view.rows,
        qpcToMs(qpcNow() - start));
    DeleteFileW(scriptPath.c_str());
}

// ---- Demonstration (screenshots) --------------------------------------------------------

// The stand-in's own realistic run with the shipped rules and a log; the dialog stays up
// for a few seconds after the end.
void demonstration(const std::wstring& shippedRules)
{
    Observation seen;
    const std::wstring logPath = temporaryPath(L"demo.log");
    HANDLE log = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    gObservation = &seen;
    HHOOK hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    std::atomic<bool> done{false};
    std::thread driver([&] {
        while (!seen.finalShown.load() && !done.load()) {
            Sleep(20);
        }
        Sleep(4000);
        while (!done.load()) {
            PostMessageW(seen.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
    });
    converter::ConversionRun run(shippedRules);
    ui::ProgressDialog dialog(base::formatString(IDS_PROGRESS_TITLE, {std::wstring(L"report.djvu")}),
        base::loadString(IDS_STARTING_CONVERSION), logPath);
    converter::RunSetup setup;
    setup.killEventName = converter::newKillEventName();
    setup.commandLine = L"\"" + directoryOfProgram() + L"korvello.exe\" --killevent=" + setup.killEventName
        + L" -d 300 \"C:\\Documents\\report.pdf\" \"" + temporaryPath(L"report.djvu") + L"\"";
    setup.logPath = logPath;
    setup.logFile = log == INVALID_HANDLE_VALUE ? nullptr : log;
    run.run(setup, dialog);
    done = true;
    driver.join();
    UnhookWindowsHookEx(hook);
    gObservation = nullptr;
    if (log != INVALID_HANDLE_VALUE) {
        CloseHandle(log);
    }
    DeleteFileW(logPath.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    gOkText = base::loadString(IDS_OK);

    // The shipped rules, after two rules for the benchmark's own lines.
    const std::wstring ruleFile = temporaryPath(L"langmap.txt");
    testing_support::writeFileBytes(ruleFile,
        "expression=Flood message (\\d+)\ntype=info\ndefault=Flood message %1\n"
        "expression=Latency row (\\d+)\ntype=info\ndefault=Latency row %1\n"
            + testing_support::readFileBytes(directoryOfProgram() + L"shipped-langmap.txt"));
    const std::wstring reportPath = temporaryPath(L"report.txt");
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", reportPath.c_str());

    const std::string only = argc > 1 ? argv[1] : "";
    if (only == "demo") {
        SetEnvironmentVariableW(L"KORVELLO_STANDIN_SCRIPT", nullptr);
        demonstration(directoryOfProgram() + L"shipped-langmap.txt");
        return 0;
    }
    if (only.empty() || only == "idle") {
        benchIdleCpu(ruleFile, false);
        benchIdleCpu(ruleFile, true);
    }
    if (only == "idle-detail") {
        benchIdleBaseline();
    }
    if (only.empty() || only == "latency") {
        benchLatency(ruleFile, reportPath, 20, 95, "latency_ms_fast");
        benchLatency(ruleFile, reportPath, 4, 2500, "latency_ms_quiet");
    }
    if (only.empty() || only == "flood") {
        benchFlood(ruleFile, reportPath, "shipped rules", true);
        // The same with the benchmark's own rules alone: the front end without the cost of
        // classifying every line against the shipped rules.
        const std::wstring ownRules = temporaryPath(L"own-langmap.txt");
        testing_support::writeFileBytes(ownRules, "expression=Flood message (\\d+)\ntype=info\ndefault=Flood message %1\n"
                            "expression=process_success (\\d+)\ntype=info\ndefault=Finished in %1 seconds.\n");
        benchFlood(ownRules, reportPath, "two rules", false);
        DeleteFileW(ownRules.c_str());
    }
    if (only.empty() || only == "cancel") {
        benchCancelDuringFlood(ruleFile);
    }
    if (only.empty() || only == "sort") {
        benchSort(ruleFile);
    }
    if (only.empty() || only == "memory") {
        benchRowMemory(ruleFile);
    }
    if (only.empty() || only == "eta") {
        benchTimeLeft(ruleFile);
    }
    if (only.empty() || only == "interpret") {
        benchInterpretation(ruleFile);
        benchRunnerWithoutDialog(ruleFile, true);
        benchRunnerWithoutDialog(ruleFile, false);
    }
    DeleteFileW(ruleFile.c_str());
    DeleteFileW(reportPath.c_str());
    bench::printFigures();
    return 0;
}

