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

// Type and byte size of a value without reading it.
bool queryValueInfo(HKEY key, const wchar_t* name, DWORD& type, DWORD& bytes)
{
    type = REG_NONE;
    bytes = 0;
    return key != nullptr && RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS;
}

// Reads exactly `bytes` bytes of a value of the expected type into storage. Fails when
// the value changed in between (other type, other size).
bool readValueData(HKEY key, const wchar_t* name, DWORD expectedType, DWORD bytes, std::vector<BYTE>& storage)
{
    storage.assign(bytes, 0);
    DWORD type = REG_NONE;
    DWORD readBytes = bytes;
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, storage.empty() ? nullptr : storage.data(), &readBytes);
    return status == ERROR_SUCCESS && type == expectedType && readBytes == bytes;
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

bool SettingsStore::readStringValue(const wchar_t* name, wchar_t* buffer, size_t capacity, size_t& length) const
{
    length = 0;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (buffer == nullptr || capacity == 0 || !queryValueInfo(key_.get(), name, type, bytes)
        || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    if (bytes < sizeof(wchar_t) || bytes % sizeof(wchar_t) != 0 || bytes / sizeof(wchar_t) > capacity) {
        return false;
    }
    std::vector<BYTE> data;
    if (!readValueData(key_.get(), name, type, bytes, data)) {
        return false;
    }
    const size_t characters = bytes / sizeof(wchar_t);
    std::memcpy(buffer, data.data(), bytes);
    if (buffer[characters - 1] != L'\0') {
        buffer[0] = L'\0';
        return false;
    }
    length = characters;
    return true;
}

bool SettingsStore::readMultiStringValue(const wchar_t* name, wchar_t* buffer, size_t capacity, size_t& needed) const
{
    needed = 0;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (!queryValueInfo(key_.get(), name, type, bytes) || type != REG_MULTI_SZ) {
        return false;
    }
    if (bytes < 2 * sizeof(wchar_t) || bytes % sizeof(wchar_t) != 0) {
        return false;
    }
    needed = bytes / sizeof(wchar_t);
    if (buffer == nullptr) {
        return true;
    }
    if (capacity < needed) {
        return false;
    }
    std::vector<BYTE> data;
    if (!readValueData(key_.get(), name, REG_MULTI_SZ, bytes, data)) {
        return false;
    }
    std::memcpy(buffer, data.data(), bytes);
    return buffer[needed - 1] == L'\0' && buffer[needed - 2] == L'\0';
}

std::optional<std::wstring> SettingsStore::readLogPath() const
{
    wchar_t buffer[kLogPathCapacity] = {};
    size_t length = 0;
    if (!readStringValue(kLogPathValue, buffer, kLogPathCapacity, length) || buffer[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

std::wstring SettingsStore::logPathOrDefault() const
{
    auto path = readLogPath();
    return path ? std::move(*path) : defaultLogPath();
}

std::optional<DWORD> SettingsStore::readDwordValue(const wchar_t* name) const
{
    return key_.readDword(name);
}

bool SettingsStore::logEnabled() const
{
    const auto value = readDwordValue(kLogEnabledValue);
    return !value || *value != 0;
}

bool SettingsStore::openAfterConversion() const
{
    const auto value = readDwordValue(kOpenAfterValue);
    return !value || *value != 0;
}

std::optional<std::vector<wchar_t>> SettingsStore::readParamHistory() const
{
    size_t needed = 0;
    if (!readMultiStringValue(kParamHistoryValue, nullptr, 0, needed) || needed == 0) {
        return std::nullopt;
    }
    std::vector<wchar_t> data(needed, L'\0');
    if (!readMultiStringValue(kParamHistoryValue, data.data(), data.size(), needed)) {
        return std::nullopt;
    }
    return data;
}

bool SettingsStore::writeLogPath(std::wstring_view path) const
{
    return key_.writeString(kLogPathValue, path, REG_SZ);
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

} // namespace settings
