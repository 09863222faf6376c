// The per-user settings key: log path, log switch, open-after switch and the raw
// parameter history. Every failure is silent: reads fall back to the defaults and
// writes are skipped, so the program always goes on.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win/RegKey.h"

namespace settings {

// The key under HKEY_CURRENT_USER that holds every value of the front end.
inline constexpr wchar_t kDefaultSettingsKeyPath[] = L"Software\\Veltrana\\Korvello\\GUI";

// Value names.
inline constexpr wchar_t kLogPathValue[] = L"LogPath";
inline constexpr wchar_t kLogEnabledValue[] = L"LogEnabled";
inline constexpr wchar_t kOpenAfterValue[] = L"OpenDjVuAfterConversion";
inline constexpr wchar_t kParamHistoryValue[] = L"ParamHistory";

// Capacity of the log path buffer in characters, terminator included.
inline constexpr size_t kLogPathCapacity = 260;

// The key path every store built with the default constructor uses. Tests point it
// at a key of their own; the program never changes it.
const std::wstring& settingsKeyPath();
void setSettingsKeyPath(std::wstring path);

// The temporary-files directory (with its trailing separator) followed by "_korvello.log".
std::wstring defaultLogPath();

class SettingsStore {
public:
    // A store over HKCU\settingsKeyPath(); the key is opened by open().
    SettingsStore();
    SettingsStore(HKEY root, std::wstring keyPath);

    // Opens the key, creating it when missing (KEY_READ | KEY_WRITE). False when it
    // cannot be opened; the reads then give the defaults and the writes do nothing.
    bool open();
    void close() { key_.close(); }
    bool isOpen() const { return key_.valid(); }

    // Low-level readers over the open key.
    // A REG_SZ or REG_EXPAND_SZ value (unexpanded) whose data ends in a null character
    // and fits capacity characters; length reports the characters including the terminator.
    bool readStringValue(const wchar_t* name, wchar_t* buffer, size_t capacity, size_t& length) const;
    // A REG_MULTI_SZ value whose byte size is even, at least 4, and whose last two
    // characters are null. With buffer == nullptr only needed (in characters) is reported.
    bool readMultiStringValue(const wchar_t* name, wchar_t* buffer, size_t capacity, size_t& needed) const;

    // The stored log path; nullopt when missing, empty, of another type or too long.
    std::optional<std::wstring> readLogPath() const;
    // readLogPath() or defaultLogPath().
    std::wstring logPathOrDefault() const;
    // Missing or not REG_DWORD: true. Otherwise value != 0.
    bool logEnabled() const;
    bool openAfterConversion() const;
    // The ParamHistory data in characters; nullopt when missing or unusable.
    std::optional<std::vector<wchar_t>> readParamHistory() const;

    // Writers: REG_SZ with the terminator in the size, 4-byte REG_DWORD, REG_MULTI_SZ.
    bool writeLogPath(std::wstring_view path) const;
    bool writeLogEnabled(bool enabled) const;
    bool writeOpenAfterConversion(bool enabled) const;
    // data: null-terminated strings followed by one more null; the stored size is found
    // by walking the strings up to and including the empty one that ends the data.
    bool writeParamHistory(const std::vector<wchar_t>& data) const;

private:
    std::optional<DWORD> readDwordValue(const wchar_t* name) const;

    HKEY root_;
    std::wstring keyPath_;
    win::RegKey key_;
};

} // namespace settings
