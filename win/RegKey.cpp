#include "win/RegKey.h"

#include <climits>

namespace win {

RegKey RegKey::create(HKEY parent, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
            &key, nullptr)
        != ERROR_SUCCESS) {
        return RegKey();
    }
    return RegKey(key);
}

RegKey RegKey::open(HKEY parent, const std::wstring& path, REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
        return RegKey();
    }
    return RegKey(key);
}

void RegKey::close()
{
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

std::optional<RegKey::RawValue> RegKey::readRaw(const wchar_t* name) const
{
    if (key_ == nullptr) {
        return std::nullopt;
    }
    // The value may change between the size query and the read; retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        RawValue value;
        value.data.assign(size, 0);
        DWORD readSize = size;
        const LONG status = RegQueryValueExW(key_, name, nullptr, &value.type,
            value.data.empty() ? nullptr : value.data.data(), &readSize);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.data.resize(readSize <= size ? readSize : size);
        return value;
    }
    return std::nullopt;
}

std::optional<std::wstring> RegKey::readString(const wchar_t* name, size_t capacity, DWORD* type) const
{
    const auto raw = readRaw(name);
    if (!raw || (raw->type != REG_SZ && raw->type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    const size_t bytes = raw->data.size();
    if (bytes < sizeof(wchar_t) || bytes % sizeof(wchar_t) != 0) {
        return std::nullopt;
    }
    const size_t characters = bytes / sizeof(wchar_t);
    if (characters > capacity) {
        return std::nullopt;
    }
    std::wstring text(characters, L'\0');
    memcpy(text.data(), raw->data.data(), bytes);
    if (text.back() != L'\0') {
        return std::nullopt;
    }
    text.resize(wcslen(text.c_str()));
    if (type != nullptr) {
        *type = raw->type;
    }
    return text;
}

std::optional<DWORD> RegKey::readDword(const wchar_t* name) const
{
    if (key_ == nullptr) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(value)) {
        return std::nullopt;
    }
    return value;
}

bool RegKey::writeString(const wchar_t* name, std::wstring_view text, DWORD type) const
{
    if (text.size() >= (ULONG_MAX / sizeof(wchar_t)) - 1) {
        return false;
    }
    std::wstring terminated(text);
    return writeBinary(name, type, terminated.c_str(), static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t)));
}

bool RegKey::writeDword(const wchar_t* name, DWORD value) const
{
    return writeBinary(name, REG_DWORD, &value, sizeof(value));
}

bool RegKey::writeBinary(const wchar_t* name, DWORD type, const void* data, DWORD size) const
{
    if (key_ == nullptr) {
        return false;
    }
    return RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

std::vector<std::wstring> RegKey::subkeyNames() const
{
    std::vector<std::wstring> names;
    if (key_ == nullptr) {
        return names;
    }
    // A key name holds at most 255 characters.
    wchar_t name[256] = {};
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

bool RegKey::deleteTree(const std::wstring& subkey) const
{
    if (key_ == nullptr || subkey.empty()) {
        return false;
    }
    const LSTATUS status = RegDeleteTreeW(key_, subkey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace win
