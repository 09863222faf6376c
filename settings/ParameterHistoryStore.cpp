// The parameter history's reading from and writing to the settings store.
#include "settings/ParameterHistory.h"

#include "settings/SettingsStore.h"

namespace settings {

void ParameterHistory::load(const SettingsStore& store)
{
    const auto data = store.readParamHistory();
    if (!data) {
        return;
    }
    loadFromMultiString(*data);
}

bool ParameterHistory::addAndStore(const std::wstring& entry, const SettingsStore& store)
{
    add(entry);
    return store.writeParamHistory(storedForm());
}

} // namespace settings
