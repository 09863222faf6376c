// A per-process scratch key under HKCU for the settings tests, removed afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/SettingsStore.h"
#include "win/RegKey.h"

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
        const win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, path_);
        ASSERT_TRUE(key.valid());
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes));
    }
    bool exists() const { return win::RegKey::open(HKEY_CURRENT_USER, path_).valid(); }
    // Type and bytes of a stored value; type REG_NONE when missing.
    std::pair<DWORD, std::vector<BYTE>> raw(const wchar_t* name) const
    {
        const auto value = win::RegKey::open(HKEY_CURRENT_USER, path_).readRaw(name);
        if (!value) {
            return {REG_NONE, {}};
        }
        return {value->type, value->data};
    }

private:
    std::wstring path_;
};
