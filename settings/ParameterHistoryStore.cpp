// The parameter history's reading from and writing to the settings store.
#include "settings/ParameterHistory.h"

#include <windows.h>

#include <string>

#include "settings/SettingsStore.h"
#include "win/Handle.h"
#include "win/Module.h"

namespace settings {

namespace {

// Confirms of two sheets at once take turns: one user's history is read, changed and
// written back by one of them at a time. A holder that hangs delays the other by at
// most kLockWaitMilliseconds; then it writes all the same.
constexpr DWORD kLockWaitMilliseconds = 5000;

class HistoryLock {
public:
    HistoryLock()
    {
        const std::wstring name = L"Local\\Korvello_GUI_ParamHistory_" + win::userName();
        mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
        if (mutex_) {
            const DWORD wait = WaitForSingleObject(mutex_.get(), kLockWaitMilliseconds);
            owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        }
    }
    HistoryLock(const HistoryLock&) = delete;
    HistoryLock& operator=(const HistoryLock&) = delete;
    ~HistoryLock()
    {
        if (owned_) {
            ReleaseMutex(mutex_.get());
        }
    }

private:
    win::UniqueHandle mutex_;
    bool owned_ = false;
};

} // namespace

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
    // Another sheet may have stored a set since this one loaded the list: start from
    // what is stored now, so its set is kept.
    const HistoryLock lock;
    load(store);
    add(entry);
    return store.writeParamHistory(storedForm());
}

} // namespace settings
