// The cost of the queue: 10 small documents converted one after another behind the
// queue's progress window (with the shipped rule file), from the start until the summary
// appears, against the same 10 documents run by the same converter alone, one after
// another, its output going nowhere. The converter is the stand-in playing a small
// document of six pages. Seven rounds; the median round's ratio is the figure
// "queue_overhead" (1.00: the queue costs nothing beyond the converter).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/QueueDriver.h"
#include "converter/ConverterContract.h"
#include "res/resource.h"
#include "support/BenchSupport.h"
#include "support/ScratchFiles.h"
#include "win/Module.h"

using bench::figure;
using bench::median;
using bench::qpcNow;
using bench::qpcToMs;

namespace {

constexpr int kDocuments = 10;
constexpr int kRounds = 7;

// A small document: the page count, six pages with a pause each, a warning.
constexpr char kScript[] =
    "line Processing pages 1 through 6.\n"
    "line Page 1\nsleep 60\nline Page 2\nsleep 60\nline Page 3\nsleep 60\n"
    "line Warning: a font was substituted\n"
    "line Page 4\nsleep 60\nline Page 5\nsleep 60\nline Page 6\nsleep 60\n";

std::wstring folderOfProgram()
{
    const std::wstring path = win::modulePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring scratchFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    const std::wstring folder = std::wstring(buffer) + L"bench_queue_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

std::vector<queue::QueuedDocument> documents(const std::wstring& folder, const std::wstring& scriptPath)
{
    std::vector<queue::QueuedDocument> queued;
    for (int i = 0; i < kDocuments; ++i) {
        queue::QueuedDocument document;
        document.input = folder + L"doc" + std::to_wstring(i) + L".pdf";
        document.output = folder + L"doc" + std::to_wstring(i) + L".djvu";
        document.logPath = folder + L"_korvello-doc" + std::to_wstring(i) + L".log";
        document.converterArguments = L"--standin-script=" + scriptPath + L" \"" + document.input + L"\" \""
            + document.output + L"\"";
        document.replaceOutput = true; // each round replaces the last one's outputs
        queued.push_back(document);
    }
    return queued;
}

// The converter alone: each document's command line as the queue makes it, started with the
// same flags as the front end starts it, its output going to NUL.
double runAlone(const std::vector<queue::QueuedDocument>& queued)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const long long start = qpcNow();
    for (const queue::QueuedDocument& document : queued) {
        std::wstring commandLine = converter::converterCommandLine(folderOfProgram() + L"bench_queue.exe",
            converter::newKillEventName(), queue::runArguments(document));
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdOutput = startup.hStdError = nul;
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    const double elapsed = qpcToMs(qpcNow() - start);
    CloseHandle(nul);
    return elapsed;
}

// The ticks of the stand-in's report records of one kind ("start" or "exit"), in order.
std::vector<long long> reportTicks(const std::wstring& reportPath, const std::string& record)
{
    std::vector<long long> ticks;
    const std::string bytes = testing_support::readFileBytes(reportPath);
    size_t position = 0;
    while (position < bytes.size()) {
        size_t end = bytes.find('\n', position);
        end = end == std::string::npos ? bytes.size() : end;
        if (bytes.compare(position, record.size() + 1, record + " ") == 0) {
            ticks.push_back(std::stoll(bytes.substr(position + record.size() + 1)));
        }
        position = end + 1;
    }
    return ticks;
}

// Where the queue's time goes beyond the converter's: until the first document starts,
// between one document's end and the next one's start, after the last one's end.
void printBreakdown(const std::wstring& reportPath, long long start, long long summaryShown)
{
    const std::vector<long long> starts = reportTicks(reportPath, "start");
    const std::vector<long long> exits = reportTicks(reportPath, "exit");
    if (starts.size() != static_cast<size_t>(kDocuments) || exits.size() != starts.size()) {
        return;
    }
    double gaps = 0;
    for (size_t i = 1; i < starts.size(); ++i) {
        gaps += qpcToMs(starts[i] - exits[i - 1]);
    }
    std::printf("  queue: first start after %.0f ms, %.0f ms between documents on average, summary %.0f ms after the last end\n",
        qpcToMs(starts.front() - start), gaps / static_cast<double>(starts.size() - 1), qpcToMs(summaryShown - exits.back()));
}

// The queue from its start until the summary shows (which a helper thread then closes).
double runQueued(const std::vector<queue::QueuedDocument>& queued)
{
    app::ConversionRequest request;
    request.documents = queued;
    app::RunDriverServices services;
    services.frontEndPath = folderOfProgram() + L"bench_queue.exe";
    services.openOutput = [](const std::wstring&) {};
    services.showError = [](const std::wstring&) {};
    const DWORD thread = GetCurrentThreadId();
    std::atomic<long long> summaryShown{0};
    std::atomic<bool> done{false};
    std::thread closer([&] {
        while (!done.load()) {
            HWND summary = nullptr;
            EnumThreadWindows(thread, [](HWND window, LPARAM found) {
                if (IsWindowVisible(window) && GetDlgItem(window, IDC_SUMMARY_LIST) != nullptr) {
                    *reinterpret_cast<HWND*>(found) = window;
                    return FALSE;
                }
                return TRUE;
            }, reinterpret_cast<LPARAM>(&summary));
            if (summary != nullptr) {
                summaryShown = qpcNow();
                PostMessageW(summary, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return;
            }
            Sleep(2);
        }
    });
    const std::wstring reportPath = scratchFolder() + L"report.txt";
    DeleteFileW(reportPath.c_str());
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", reportPath.c_str());
    const long long start = qpcNow();
    const app::QueueResult result = app::runQueue(request, services, nullptr);
    done = true;
    closer.join();
    SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", nullptr);
    if (!result.endProgram) {
        std::printf("queue: %zu documents not converted\n", result.notConverted.size());
    }
    printBreakdown(reportPath, start, summaryShown.load());
    return qpcToMs(summaryShown.load() - start);
}

} // namespace

int wmain()
{
    const std::wstring folder = scratchFolder();
    const std::wstring scriptPath = folder + L"small.txt";
    testing_support::writeFileBytes(scriptPath, kScript);
    const std::vector<queue::QueuedDocument> queued = documents(folder, scriptPath);
    runAlone(queued); // warms the converter's files up
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        const double alone = runAlone(queued);
        const double queue = runQueued(queued);
        std::printf("round %d: %d documents alone %.0f ms, through the queue %.0f ms, ratio %.3f\n", round + 1,
            kDocuments, alone, queue, queue / alone);
        std::fflush(stdout);
        ratios.push_back(queue / alone);
    }
    figure("queue_overhead", median(ratios), "x");
    bench::printFigures();
    return 0;
}
