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

// The longest log path read back, in characters with the terminator: the platform's
// limit for a path.
inline constexpr size_t kLogPathCapacity = 32767;

// A path as the settings key holds it: expandable paths (REG_EXPAND_SZ) may hold
// environment references such as %TEMP%.
struct StoredPath {
    std::wstring text;
    bool expandable = false;

    // The path to use: environment references expanded for an expandable path.
    std::wstring expanded() const;
    bool operator==(const StoredPath&) const = default;
};

// The key path every store built with the default constructor uses. Tests point it
// at a key of their own; the program never changes it.
const std::wstring& settingsKeyPath();
void setSettingsKeyPath(std::wstring path);

// The temporary-files directory (with its trailing separator) followed by "_korvello.log".
std::wstring defaultLogPath();

class SettingsStore;

// The settings the Miscellaneous page shows and the sheet stores on OK.
struct GuiSettings {
    StoredPath logPath{defaultLogPath(), false};
    bool logEnabled = true;
    bool openAfterConversion = true;

    void setDefaults() { *this = GuiSettings(); }
    // From an open store, starting from the defaults: a missing or unusable value
    // keeps its default.
    void load(const SettingsStore& store);
    // Into an open store. The log path is stored only while logging is on and the path
    // is not empty; logging counts as on only then.
    void save(const SettingsStore& store) const;
    // The log path the run uses: expanded, empty when no log is written.
    std::wstring runLogPath() const;
};

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

    // The stored log path; nullopt when missing, empty, of another type or longer
    // than the platform's path limit. A REG_EXPAND_SZ value is kept unexpanded and
    // remembered as such, so it is written back with its type.
    std::optional<StoredPath> readLogPath() const;
    // readLogPath() or defaultLogPath() (a plain path).
    StoredPath logPathOrDefault() const;
    // Missing or not REG_DWORD: true. Otherwise value != 0.
    bool logEnabled() const;
    bool openAfterConversion() const;
    // The ParamHistory data in characters; nullopt when missing or not REG_MULTI_SZ.
    // Data without its final terminators is given as it is (an odd last byte dropped):
    // the history takes every string it holds.
    std::optional<std::vector<wchar_t>> readParamHistory() const;

    // Writers: REG_SZ (REG_EXPAND_SZ for an expandable path) with the terminator in
    // the size, 4-byte REG_DWORD, REG_MULTI_SZ.
    bool writeLogPath(const StoredPath& path) const;
    bool writeLogEnabled(bool enabled) const;
    bool writeOpenAfterConversion(bool enabled) const;
    // data: null-terminated strings followed by one more null; the stored size is found
    // by walking the strings up to and including the empty one that ends the data.
    bool writeParamHistory(const std::vector<wchar_t>& data) const;

private:

    HKEY root_;
    std::wstring keyPath_;
    win::RegKey key_;
};

} // namespace settings
