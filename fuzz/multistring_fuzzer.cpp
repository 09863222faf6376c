// REG_MULTI_SZ data of any length and contents (pairs of bytes as UTF-16 units).
// Properties: every entry is non-empty, holds no null and fits a command line; the
// stored form reads back as the newest ten entries.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "settings/ParameterHistory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<wchar_t> units;
    for (size_t i = 0; i + 1 < size; i += 2) {
        units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    settings::ParameterHistory history;
    history.loadFromMultiString(units);
    size_t total = 0;
    for (const std::wstring& entry : history.entries()) {
        FUZZ_REQUIRE(!entry.empty());
        FUZZ_REQUIRE(entry.find(L'\0') == std::wstring::npos);
        FUZZ_REQUIRE(entry.size() <= settings::ParameterHistory::kMaxEntryLength);
        total += entry.size() + 1;
    }
    FUZZ_REQUIRE(total <= units.size() + 1);

    const std::vector<wchar_t> stored = history.storedForm();
    settings::ParameterHistory reloaded;
    reloaded.loadFromMultiString(stored);
    const auto& all = history.entries();
    const size_t kept = all.size() < settings::ParameterHistory::kMaxEntries ? all.size()
                                                                            : settings::ParameterHistory::kMaxEntries;
    FUZZ_REQUIRE(reloaded.entries() == std::vector<std::wstring>(all.end() - static_cast<std::ptrdiff_t>(kept), all.end()));
    FUZZ_REQUIRE(reloaded.storedForm() == stored);
    return 0;
}
