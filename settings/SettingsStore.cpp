#include "settings/SettingsStore.h"

#include <climits>
#include <cstring>
#include <utility>

namespace settings {

namespace {

std::wstring& keyPathStorage()
{
    static std::wstring path = kDefaultSettingsKeyPath;
    return path;
}

} // namespace

const std::wstring& settingsKeyPath()
{
    return keyPathStorage();
}

void setSettingsKeyPath(std::wstring path)
{
    keyPathStorage() = std::move(path);
}

std::wstring defaultLogPath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path = (length > 0 && length <= MAX_PATH) ? std::wstring(buffer, length) : std::wstring();
    path += L"_korvello.log";
    return path;
}

SettingsStore::SettingsStore() : SettingsStore(HKEY_CURRENT_USER, settingsKeyPath()) {}

SettingsStore::SettingsStore(HKEY root, std::wstring keyPath) : root_(root), keyPath_(std::move(keyPath)) {}

bool SettingsStore::open()
{
    key_ = win::RegKey::create(root_, keyPath_);
    return key_.valid();
}

std::optional<StoredPath> SettingsStore::readLogPath() const
{
    DWORD type = REG_NONE;
    auto text = key_.readString(kLogPathValue, kLogPathCapacity, &type);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return StoredPath{std::move(*text), type == REG_EXPAND_SZ};
}

StoredPath SettingsStore::logPathOrDefault() const
{
    auto path = readLogPath();
    return path ? std::move(*path) : StoredPath{defaultLogPath(), false};
}

std::wstring StoredPath::expanded() const
{
    if (!expandable) {
        return text;
    }
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) {
        return text;
    }
    std::wstring result(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), result.data(), needed);
    if (written == 0 || written > needed) {
        return text;
    }
    result.resize(written - 1);
    return result;
}

bool SettingsStore::logEnabled() const
{
    const auto value = key_.readDword(kLogEnabledValue);
    return !value || *value != 0;
}

bool SettingsStore::openAfterConversion() const
{
    const auto value = key_.readDword(kOpenAfterValue);
    return !value || *value != 0;
}

std::optional<std::vector<wchar_t>> SettingsStore::readParamHistory() const
{
    const auto raw = key_.readRaw(kParamHistoryValue);
    if (!raw || raw->type != REG_MULTI_SZ) {
        return std::nullopt;
    }
    std::vector<wchar_t> data(raw->data.size() / sizeof(wchar_t));
    if (!data.empty()) {
        std::memcpy(data.data(), raw->data.data(), data.size() * sizeof(wchar_t));
    }
    return data;
}

bool SettingsStore::writeLogPath(const StoredPath& path) const
{
    return key_.writeString(kLogPathValue, path.text, path.expandable ? REG_EXPAND_SZ : REG_SZ);
}
bool SettingsStore::writeLogEnabled(bool enabled) const
{
    return key_.writeDword(kLogEnabledValue, enabled ? 1 : 0);
}

bool SettingsStore::writeOpenAfterConversion(bool enabled) const
{
    return key_.writeDword(kOpenAfterValue, enabled ? 1 : 0);
}

bool SettingsStore::writeParamHistory(const std::vector<wchar_t>& data) const
{
    // Walk the strings up to and including the empty one that ends the data; never
    // beyond the data, even when its final terminator is missing.
    size_t position = 0;
    while (position < data.size()) {
        size_t length = 0;
        while (position + length < data.size() && data[position + length] != L'\0') {
            ++length;
        }
        position += length + 1;
        if (length == 0) {
            break;
        }
    }
    if (position > data.size()) {
        position = data.size();
    }
    if (position == 0 || position > ULONG_MAX / sizeof(wchar_t)) {
        return false;
    }
    return key_.writeBinary(kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(position * sizeof(wchar_t)));
}

void GuiSettings::load(const SettingsStore& store)
{
    setDefaults();
    logPath = store.logPathOrDefault();
    logEnabled = store.logEnabled();
    openAfterConversion = store.openAfterConversion();
}

void GuiSettings::save(const SettingsStore& store) const
{
    const bool logging = logEnabled && !logPath.text.empty();
    if (logging) {
        store.writeLogPath(logPath);
    }
    store.writeLogEnabled(logging);
    store.writeOpenAfterConversion(openAfterConversion);
}

std::wstring GuiSettings::runLogPath() const
{
    return logEnabled && !logPath.text.empty() ? logPath.expanded() : std::wstring();
}

} // namespace settings
