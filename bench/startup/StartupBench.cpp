// Launches korvello-gui.exe and the minimal sheet program (which, like the front end,
// creates every page up front) in turn and measures the time from CreateProcessW to the
// first visible top-level dialog of the child, then the child's working set at that
// moment and the time it takes to close after Cancel.
// Usage: startup-bench.exe <korvello-gui.exe> <minimal-sheet.exe> [rounds]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/BenchSupport.h"
#include "win/Handle.h"

using bench::median;

namespace {

struct Sample {
    double showMs = 0;
    double closeMs = 0;
    double workingSetMiB = 0;
    bool ok = false;
};

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f = {};
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD processId = 0;
    HWND found = nullptr;
};

BOOL CALLBACK findVisibleDialog(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (processId == search->processId && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

Sample measure(const std::wstring& program)
{
    Sample sample;
    std::wstring commandLine = L"\"" + program + L"\"";
    // KORVELLO_STARTUP_FILE: every program is started with this file, as the file manager's
    // verb starts the front end (the minimal sheet ignores it).
    if (const wchar_t* file = _wgetenv(L"KORVELLO_STARTUP_FILE"); file != nullptr && *file != L'\0') {
        commandLine += L" \"" + std::wstring(file) + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const double start = nowMs();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
            &process)) {
        return sample;
    }
    // Owned from here on; closed on every way out.
    const win::UniqueHandle processHandle(process.hProcess);
    const win::UniqueHandle threadHandle(process.hThread);
    Search search;
    search.processId = process.dwProcessId;
    while (search.found == nullptr && nowMs() - start < 30000) {
        EnumWindows(&findVisibleDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
                break;
            }
        }
    }
    if (search.found != nullptr) {
        sample.showMs = nowMs() - start;
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters))) {
            sample.workingSetMiB = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
        }
        const double closeStart = nowMs();
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0) {
            sample.closeMs = nowMs() - closeStart;
            sample.ok = true;
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    return sample;
}

// The start below which a quarter of the starts lie: on a busy machine the less
// disturbed starts, without resting on the single fastest.
double lowerQuartile(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 4];
}

unsigned long long fileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Figures {
    std::vector<double> show, close, workingSet;
    int failures = 0;
    void add(const Sample& sample)
    {
        if (!sample.ok) {
            ++failures;
            return;
        }
        show.push_back(sample.showMs);
        close.push_back(sample.closeMs);
        workingSet.push_back(sample.workingSetMiB);
    }
    void print(const char* name, const std::wstring& path) const
    {
        const double low = show.empty() ? 0 : *std::min_element(show.begin(), show.end());
        const double high = show.empty() ? 0 : *std::max_element(show.begin(), show.end());
        std::printf("%-14s shown after: median %7.1f ms (lower quartile %7.1f, min %7.1f, max %7.1f, n=%zu, "
                    "failed %d); close after Cancel: median %7.1f ms; working set at show: median %6.1f MiB; "
                    "exe %llu bytes\n",
            name, median(show), lowerQuartile(show), low, high, show.size(), failures, median(close),
            median(workingSet), fileSize(path));
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup-bench <korvello-gui.exe> <minimal-sheet.exe> [rounds [other.exe...]]\n");
        return 2;
    }
    // The front end, the baseline, then other builds to compare (another build of the
    // front end, for a before and after in one run).
    std::vector<std::wstring> programs(argv + 1, argv + 3);
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
    programs.insert(programs.end(), argv + std::min(argc, 4), argv + argc);

    // One unmeasured start of each warms the caches.
    for (const std::wstring& program : programs) {
        measure(program);
    }
    std::vector<Figures> figures(programs.size());
    for (int round = 0; round < rounds; ++round) {
        // Rotate the order so that no program always runs first.
        for (size_t slot = 0; slot < programs.size(); ++slot) {
            const size_t index = (static_cast<size_t>(round) + slot) % programs.size();
            figures[index].add(measure(programs[index]));
        }
    }
    figures[0].print("korvello-gui", programs[0]);
    figures[1].print("minimal-sheet", programs[1]);
    for (size_t index = 2; index < programs.size(); ++index) {
        std::printf("other %zu: %ls\n", index - 1, programs[index].c_str());
        figures[index].print("  (other)", programs[index]);
    }
    const double baseline = median(figures[1].show);
    if (baseline <= 0 || figures[0].show.empty()) {
        return 1;
    }
    for (size_t index = 2; index < programs.size(); ++index) {
        std::printf("ratio of medians (other %zu / minimal-sheet): %.2f; of lower quartiles %.2f\n", index - 1,
            median(figures[index].show) / baseline,
            lowerQuartile(figures[index].show) / lowerQuartile(figures[1].show));
    }
    std::printf("ratio of medians (korvello-gui / minimal-sheet): %.2f (target: at most 1.10)\n",
        median(figures[0].show) / baseline);
    std::printf("ratio of lower quartiles (korvello-gui / minimal-sheet): %.2f\n",
        lowerQuartile(figures[0].show) / lowerQuartile(figures[1].show));
    // The fastest start of each is the least disturbed by other load on the machine.
    std::printf("ratio of minimums (korvello-gui / minimal-sheet): %.2f\n",
        *std::min_element(figures[0].show.begin(), figures[0].show.end())
            / *std::min_element(figures[1].show.begin(), figures[1].show.end()));
    std::printf("figure startup_vs_minimal_sheet %.2f ratio\n", median(figures[0].show) / baseline);
    return 0;
}
