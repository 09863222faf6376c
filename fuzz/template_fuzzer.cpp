// A template and its inserts. Properties: the result is bounded, formatting is a pure
// function of its input, and it takes bounded time; UTF-8 decoding round-trips.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/MessageFormat.h"
#include "base/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    std::vector<base::MessageArg> inserts;
    const int count = provider.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < count; ++i) {
        switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: inserts.emplace_back(base::fromUtf8(provider.ConsumeRandomLengthString(64))); break;
        case 1: inserts.emplace_back(provider.ConsumeIntegral<std::int32_t>()); break;
        default: inserts.emplace_back(provider.ConsumeIntegral<std::uint32_t>()); break;
        }
    }
    const std::string templateBytes = provider.ConsumeRemainingBytesAsString();
    const std::wstring templateText = base::fromUtf8(templateBytes);
    // The text seam: decoded text encodes and decodes back to itself, and valid UTF-8
    // comes back byte for byte.
    const std::string encoded = base::toUtf8(templateText);
    FUZZ_REQUIRE(base::fromUtf8(encoded) == templateText);
    FUZZ_REQUIRE(encoded == templateBytes || templateText.find(L'\xFFFD') != std::wstring::npos);
    const fuzz::Stopwatch watch;
    const std::wstring first = base::formatMessageText(templateText, inserts);
    FUZZ_REQUIRE(watch.seconds() < fuzz::kSecondsPerInput);
    FUZZ_REQUIRE(first.size() <= base::kMaxFormattedCharacters + 1);
    FUZZ_REQUIRE(first.size() <= base::kMaxFormattedCharacters || first.back() == base::kCutMark);
    FUZZ_REQUIRE(base::formatMessageText(templateText, inserts) == first);
    const std::wstring shortened = base::shortenText(first, 1024);
    FUZZ_REQUIRE(shortened.size() <= 1025);
    return 0;
}
