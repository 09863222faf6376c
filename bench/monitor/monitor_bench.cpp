// Lines per second through the whole monitoring path (drain, interpret, classify with
// the shipped rules, log) and through a raw reader that only counts line breaks, both
// fed the same 200,000-line transcript through an anonymous pipe by a writer thread,
// alternating in one run. Also the classification cost per message early and late in a
// long run, which must stay flat (patterns are compiled once).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputPipe.h"
#include "converter/OutputReader.h"
#include "converter/ProcessRunner.h"
#include "support/BenchSupport.h"
#include "win/Handle.h"

using bench::median;

namespace {

constexpr int kLineCount = 200000;

double now()
{
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

// Mostly page lines; about every twentieth line a message in one of the converter's shapes.
std::string makeTranscript(int lines, int& messageLines)
{
    const int pages = lines;
    std::string text = "Processing pages 1 through " + std::to_string(pages) + ".\r\n";
    const char* messages[] = {
        "   **** Warning: The font Helv is not embedded.\r\n",
        "   A substitute font is used for it.\r\n",
        "   **** This file had errors that were repaired or ignored.\r\n",
        "Error: /undefinedresource in findresource\r\n",
        "Substituting font Times-Roman for TimesNewRoman.\r\n",
        "   **** Error: An error occurred while reading an XREF table.\r\n",
        "Loading the colour profile for the page.\r\n",
        "Some unknown chatter from the converter\r\n",
    };
    int written = 1;
    int page = 1;
    messageLines = 0;
    while (written < lines) {
        if (written % 20 == 0) {
            text += messages[(written / 20) % std::size(messages)];
            ++messageLines;
        } else {
            text += "Page " + std::to_string(page++) + "\r\n";
        }
        ++written;
    }
    return text;
}

// Writes the transcript in blocks of whole lines of up to 4 KiB, as a converter would.
void writeAll(HANDLE writeEnd, const std::string& text)
{
    size_t offset = 0;
    while (offset < text.size()) {
        size_t size = std::min<size_t>(4096, text.size() - offset);
        const size_t lastBreak = text.rfind('\n', offset + size - 1);
        if (lastBreak != std::string::npos && lastBreak >= offset) {
            size = lastBreak + 1 - offset;
        }
        DWORD written = 0;
        if (!WriteFile(writeEnd, text.data() + offset, static_cast<DWORD>(size), &written, nullptr)) {
            return;
        }
        offset += written;
    }
}

class NullView : public converter::ProgressView {
public:
    void setProgressRange(int) override {}
    void setProgressPosition(int) override { ++updates; }
    void setStatusText(const std::wstring&) override {}
    void showCounter(converter::MessageType) override {}
    void setCounterText(converter::MessageType, const std::wstring&) override {}
    void addMessageRow(converter::MessageType, const std::wstring&, const std::wstring&) override { ++rows; }
    long updates = 0;
    long rows = 0;
};

struct Result {
    double seconds = 0;
    long lines = 0;
    long rows = 0;
};

// Reads the pipe with 1024-byte reads and counts line feeds: the floor of any reader.
Result runRaw(const std::string& text)
{
    win::UniqueHandle readEnd, writeEnd;
    CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 0);
    Result result;
    const double start = now();
    std::thread writer([&] { writeAll(writeEnd.get(), text); writeEnd.reset(); });
    char buffer[1024];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) {
            break; // the writer has finished and closed its end
        }
        if (available == 0) {
            Sleep(0);
            continue;
        }
        DWORD read = 0;
        if (!ReadFile(readEnd.get(), buffer, std::min<DWORD>(available, 1024), &read, nullptr)) {
            break;
        }
        result.lines += static_cast<long>(std::count(buffer, buffer + read, '\n'));
    }
    writer.join();
    result.seconds = now() - start;
    return result;
}

// The monitoring path as the worker runs it: the converter's overlapped pipe, a wait for
// each completed read, drain passes of at most kMaxPassMilliseconds, the interpreter with
// the shipped rules, and one log write per pass.
Result runFull(const std::string& text, const std::wstring& logPath, bool withLog = true, bool withRules = true)
{
    converter::OutputPipe pipe;
    DWORD error = 0;
    if (!pipe.create(error)) {
        return Result();
    }
    win::UniqueHandle log(withLog ? CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : nullptr);
    converter::MessageRuleSet rules("en-us=");
    if (withRules) {
        rules.loadRules(converter::MessageRuleSet::defaultRuleFilePath());
    }
    NullView view;
    converter::OutputInterpreter interpreter(view, rules);
    interpreter.reset(log.get());
    Result result;
    converter::OutputReader reader([&](std::wstring_view line) {
        ++result.lines;
        interpreter.interpretLine(line);
    });
    const double start = now();
    std::thread writer([&] {
        writeAll(pipe.writeEnd(), text);
        pipe.closeWriteEnd();
    });
    while (!pipe.ended()) {
        if (pipe.reading()) {
            WaitForSingleObject(pipe.readReady(), INFINITE);
        } else {
            Sleep(converter::kGatherMilliseconds);
        }
        pipe.drain([&](std::string_view bytes) { reader.consumeBytes(bytes); }, converter::kMaxPassMilliseconds);
        interpreter.flushLog();
    }
    writer.join();
    reader.finishOutput();
    interpreter.flushPendingMessage();
    interpreter.flushLog();
    result.seconds = now() - start;
    result.rows = view.rows;
    return result;
}

} // namespace

int main()
{
    int messageLines = 0;
    const std::string text = makeTranscript(kLineCount, messageLines);
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring logPath = std::wstring(directory) + L"korvello_bench_monitor.log";

    std::printf("transcript: %d lines, %d messages (%.1f%%), %zu bytes; rules: %s\n", kLineCount, messageLines,
        100.0 * messageLines / kLineCount, text.size(), "langmap.txt beside the program");
    std::vector<double> raw, full;
    long rows = 0;
    for (int round = 0; round < 5; ++round) {
        const Result r = runRaw(text);
        const Result f = runFull(text, logPath);
        if (r.lines != kLineCount || f.lines != kLineCount) {
            std::printf("line count mismatch: raw %ld, full %ld\n", r.lines, f.lines);
            return 1;
        }
        raw.push_back(r.lines / r.seconds);
        full.push_back(f.lines / f.seconds);
        rows = f.rows;
        std::printf("round %d: raw %9.0f lines/s   full %9.0f lines/s\n", round + 1, raw.back(), full.back());
    }
    // Where the time goes: the same path without the log, and without rules.
    std::vector<double> noLog, noRules;
    for (int round = 0; round < 3; ++round) {
        const Result n = runFull(text, logPath, false, true);
        const Result m = runFull(text, logPath, true, false);
        noLog.push_back(n.lines / n.seconds);
        noRules.push_back(m.lines / m.seconds);
    }
    DeleteFileW(logPath.c_str());
    std::printf("breakdown (median of 3): without log %9.0f lines/s   with log, no rules %9.0f lines/s\n",
        median(noLog), median(noRules));
    const double rawMedian = median(raw);
    const double fullMedian = median(full);
    std::printf("median:  raw %9.0f lines/s   full %9.0f lines/s   full/raw %.2f   (rows shown per run: %ld)\n",
        rawMedian, fullMedian, fullMedian / rawMedian, rows);


    // Classification cost per message early and late in a long run.
    converter::MessageRuleSet rules("en-us=");
    rules.loadRules(converter::MessageRuleSet::defaultRuleFilePath());
    const std::wstring samples[] = { L"Warning: The font Helv is not embedded. A substitute font is used for it.",
        L"This file had errors that were repaired or ignored.", L"Error: /undefinedresource in findresource",
        L"Substituting font Times-Roman for TimesNewRoman.", L"Some unknown chatter from the converter",
        L"process_success 12" };
    constexpr int kBlocks = 10;
    constexpr int kPerBlock = 20000;
    std::printf("classification, microseconds per message, blocks of %d:", kPerBlock);
    for (int block = 0; block < kBlocks; ++block) {
        const double start = now();
        for (int i = 0; i < kPerBlock; ++i) {
            rules.classifyMessage(samples[i % std::size(samples)]);
        }
        std::printf(" %.2f", (now() - start) * 1e6 / kPerBlock);
    }
    std::printf("\n");
    std::printf("figure monitor_vs_raw %.2f ratio\n", fullMedian / rawMedian);
    return 0;
}
