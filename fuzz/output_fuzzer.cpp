// Converter output split into reads at fuzzer-chosen places. The first bytes choose
// the read lengths, the rest is the output. Properties: the rows, the counters, the
// status texts and the processing log are the same as for the output in one read; a
// row's text is bounded.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputReader.h"

namespace {

class RecordingView : public converter::ProgressView {
public:
    void setProgressRange(int totalPages) override { record(L"range " + std::to_wstring(totalPages)); }
    void setProgressPosition(int position) override { record(L"position " + std::to_wstring(position)); }
    void setStatusText(const std::wstring& text) override { record(L"status " + text); }
    void showCounter(converter::MessageType type) override { record(L"counter " + std::to_wstring(static_cast<int>(type))); }
    void setCounterText(converter::MessageType type, const std::wstring& text) override
    {
        record(L"count " + std::to_wstring(static_cast<int>(type)) + L" " + text);
    }
    void addMessageRow(converter::MessageType type, const std::wstring& page, const std::wstring& description) override
    {
        FUZZ_REQUIRE(description.size() <= converter::OutputInterpreter::kMaxRowCharacters + 1);
        record(L"row " + std::to_wstring(static_cast<int>(type)) + L" " + page + L" " + description);
    }
    std::vector<std::wstring> events;

private:
    void record(std::wstring event) { events.push_back(std::move(event)); }
};

struct Outcome {
    std::vector<std::wstring> events;
    std::string log;
};

converter::MessageRuleSet& shippedRules()
{
    static converter::MessageRuleSet* rules = [] {
        auto* set = new converter::MessageRuleSet("en-us=");
        set->loadRulesFromText(fuzz::shippedRules());
        return set;
    }();
    return *rules;
}

Outcome run(std::string_view output, const std::vector<size_t>& reads)
{
    RecordingView view;
    char* logBytes = nullptr;
    size_t logSize = 0;
    std::FILE* log = open_memstream(&logBytes, &logSize);
    FUZZ_REQUIRE(log != nullptr);
    {
        converter::OutputInterpreter interpreter(view, shippedRules());
        interpreter.reset(log, L"memory");
        converter::OutputReader reader([&](std::wstring_view line) { interpreter.interpretLine(line); });
        size_t position = 0;
        for (size_t i = 0; position < output.size(); ++i) {
            const size_t length = reads.empty() ? output.size() : reads[i % reads.size()];
            reader.consumeBytes(output.substr(position, length));
            interpreter.flushLog(); // the end of a drain pass
            position += length;
        }
        reader.finishOutput();
        interpreter.flushLog();
        const base::MessageArg seconds[] = {std::uint32_t{3}};
        interpreter.reportMessage(L"process_success %1!u!", seconds);
        interpreter.flushLog();
    }
    std::fclose(log);
    Outcome outcome{std::move(view.events), std::string(logBytes, logSize)};
    std::free(logBytes);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    std::vector<size_t> reads;
    const int count = provider.ConsumeIntegralInRange<int>(1, 8);
    for (int i = 0; i < count; ++i) {
        reads.push_back(provider.ConsumeIntegralInRange<size_t>(1, 64));
    }
    const std::string output = provider.ConsumeRemainingBytesAsString();
    const fuzz::Stopwatch watch;
    const Outcome whole = run(output, {});
    const Outcome split = run(output, reads);
    FUZZ_REQUIRE(watch.seconds() < fuzz::kSecondsPerInput * 2);
    FUZZ_REQUIRE(whole.events == split.events);
    FUZZ_REQUIRE(whole.log == split.log);
    // The log holds the output's text, at most one line per byte and three bytes of
    // UTF-8 per byte of input (plus the byte-order mark and the line ends).
    FUZZ_REQUIRE(whole.log.size() <= 3 + output.size() * 3 + 2 * (output.size() + 1));
    return 0;
}
