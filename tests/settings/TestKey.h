// A per-process scratch key under HKCU for the settings tests, removed afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/SettingsStore.h"

class ScratchSettingsKey {
public:
    ScratchSettingsKey()
        : path_(L"Software\\Veltrana\\KorvelloTests\\Settings" + std::to_wstring(GetCurrentProcessId()))
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        settings::setSettingsKeyPath(path_);
    }
    ~ScratchSettingsKey()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Veltrana\\KorvelloTests");
        settings::setSettingsKeyPath(settings::kDefaultSettingsKeyPath);
    }
    ScratchSettingsKey(const ScratchSettingsKey&) = delete;
    ScratchSettingsKey& operator=(const ScratchSettingsKey&) = delete;

    const std::wstring& path() const { return path_; }

    // Stores raw data of any type and size, as another writer might.
    void setRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) const
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        const LONG status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, status);
    }
    bool exists() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    // Type and bytes of a stored value; type REG_NONE when missing.
    std::pair<DWORD, std::vector<BYTE>> raw(const wchar_t* name) const
    {
        std::pair<DWORD, std::vector<BYTE>> result{REG_NONE, {}};
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return result;
        }
        DWORD type = REG_NONE;
        DWORD bytes = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS) {
            result.second.assign(bytes, 0);
            if (RegQueryValueExW(key, name, nullptr, &type, result.second.empty() ? nullptr : result.second.data(),
                    &bytes)
                == ERROR_SUCCESS) {
                result.first = type;
                result.second.resize(bytes);
            }
        }
        RegCloseKey(key);
        return result;
    }

private:
    std::wstring path_;
};
