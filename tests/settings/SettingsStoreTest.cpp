// The settings store over the real per-user registry of the Wine prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestKey.h"
#include "settings/SettingsStore.h"

using settings::SettingsStore;

namespace {

std::vector<BYTE> wideBytes(const std::wstring& text, bool terminator)
{
    std::vector<BYTE> bytes((text.size() + (terminator ? 1 : 0)) * sizeof(wchar_t), 0);
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

} // namespace

TEST(SettingsStoreDefaults, MissingKeyIsCreatedAndGivesDefaults)
{
    ScratchSettingsKey scratch;
    ASSERT_FALSE(scratch.exists());
    SettingsStore store;
    ASSERT_TRUE(store.open());
    EXPECT_TRUE(scratch.exists());
    EXPECT_FALSE(store.readLogPath().has_value());
    EXPECT_EQ(settings::defaultLogPath(), store.logPathOrDefault().text);
    EXPECT_TRUE(store.logEnabled());
    EXPECT_TRUE(store.openAfterConversion());
    EXPECT_FALSE(store.readParamHistory().has_value());
}

TEST(SettingsStoreDefaults, DefaultLogPathIsTempDirectoryPlusName)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_EQ(std::wstring(temp) + L"_korvello.log", settings::defaultLogPath());
    EXPECT_EQ(L'\\', temp[wcslen(temp) - 1]);
}

TEST(SettingsStoreDefaults, UnopenableKeyGivesDefaultsAndSkipsWrites)
{
    // A parent that is no key at all.
    SettingsStore store(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ffe1230)), L"Korvello");
    ASSERT_FALSE(store.open());
    EXPECT_EQ(settings::defaultLogPath(), store.logPathOrDefault().text);
    EXPECT_TRUE(store.logEnabled());
    EXPECT_TRUE(store.openAfterConversion());
    EXPECT_FALSE(store.readParamHistory().has_value());
    EXPECT_FALSE(store.writeLogPath({L"C:\\x.log"}));
    EXPECT_FALSE(store.writeLogEnabled(false));
    EXPECT_FALSE(store.writeParamHistory({L'a', 0, 0}));
}

TEST(SettingsStoreWrites, ValuesHaveTheStoredTypesAndSizes)
{
    ScratchSettingsKey scratch;
    SettingsStore store;
    ASSERT_TRUE(store.open());
    EXPECT_TRUE(store.writeLogPath({L"C:\\logs\\run.log"}));
    EXPECT_TRUE(store.writeLogEnabled(false));
    EXPECT_TRUE(store.writeOpenAfterConversion(true));
    store.close();

    const auto logPath = scratch.raw(settings::kLogPathValue);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), logPath.first);
    EXPECT_EQ(wideBytes(L"C:\\logs\\run.log", true), logPath.second);
    const auto enabled = scratch.raw(settings::kLogEnabledValue);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), enabled.first);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0}), enabled.second);
    const auto openAfter = scratch.raw(settings::kOpenAfterValue);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), openAfter.first);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), openAfter.second);

    SettingsStore again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(L"C:\\logs\\run.log", again.logPathOrDefault().text);
    EXPECT_FALSE(again.logEnabled());
    EXPECT_TRUE(again.openAfterConversion());
}

TEST(SettingsStoreWrites, MultiStringSizeWalksUpToTheEmptyString)
{
    ScratchSettingsKey scratch;
    SettingsStore store;
    ASSERT_TRUE(store.open());
    // Data after the closing empty string is not stored.
    EXPECT_TRUE(store.writeParamHistory({L'a', 0, L'b', L'c', 0, 0, L'x', L'y', 0}));
    const auto value = scratch.raw(settings::kParamHistoryValue);
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), value.first);
    EXPECT_EQ(12u, value.second.size());
    // An empty history is a single null character.
    EXPECT_TRUE(store.writeParamHistory({0}));
    EXPECT_EQ(2u, scratch.raw(settings::kParamHistoryValue).second.size());
}

TEST(SettingsStoreReads, LogPathRules)
{
    ScratchSettingsKey scratch;
    SettingsStore store;
    ASSERT_TRUE(store.open());
    const std::wstring fallback = settings::defaultLogPath();

    // REG_EXPAND_SZ is shown unexpanded, used expanded and written back with its type.
    auto bytes = wideBytes(L"%TEMP%\\a.log", true);
    scratch.setRaw(settings::kLogPathValue, REG_EXPAND_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    const settings::StoredPath expandable = store.logPathOrDefault();
    EXPECT_EQ(L"%TEMP%\\a.log", expandable.text);
    EXPECT_TRUE(expandable.expandable);
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(temp) + L"\\a.log", expandable.expanded());
    EXPECT_TRUE(store.writeLogPath(expandable));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), scratch.raw(settings::kLogPathValue).first);
    EXPECT_EQ(bytes, scratch.raw(settings::kLogPathValue).second);

    // Empty text counts as missing.
    bytes = wideBytes(L"", true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // Not a string type.
    const DWORD number = 7;
    scratch.setRaw(settings::kLogPathValue, REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);
    bytes = wideBytes(L"C:\\b.log", true);
    scratch.setRaw(settings::kLogPathValue, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // Missing terminator. The character after the stored data is not a null, or the
    // registry would add the terminator itself.
    bytes = wideBytes(L"C:\\c.logX", true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size() - 4));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // Odd byte size.
    bytes = wideBytes(L"C:\\d.log", true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size() - 1));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // Paths up to the platform's limit are read whole (a long path is no reason to
    // fall back to the default); longer ones are not.
    const std::wstring longest = L"C:\\" + std::wstring(settings::kLogPathCapacity - 4, L'x');
    bytes = wideBytes(longest, true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    EXPECT_EQ(longest, store.logPathOrDefault().text);
    EXPECT_FALSE(store.logPathOrDefault().expandable);
    bytes = wideBytes(longest + L"y", true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // One megabyte of text.
    bytes = wideBytes(std::wstring(512 * 1024, L'z'), true);
    scratch.setRaw(settings::kLogPathValue, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    EXPECT_EQ(fallback, store.logPathOrDefault().text);

    // A string with an embedded null: the text up to it.
    const wchar_t embedded[] = {L'C', L':', L'\\', L'e', 0, L'f', 0};
    scratch.setRaw(settings::kLogPathValue, REG_SZ, embedded, sizeof(embedded));
    EXPECT_EQ(L"C:\\e", store.logPathOrDefault().text);
}

TEST(SettingsStoreReads, SwitchRules)
{
    ScratchSettingsKey scratch;
    SettingsStore store;
    ASSERT_TRUE(store.open());

    const DWORD zero = 0;
    const DWORD seven = 7;
    scratch.setRaw(settings::kOpenAfterValue, REG_DWORD, &zero, sizeof(zero));
    EXPECT_FALSE(store.openAfterConversion());
    scratch.setRaw(settings::kOpenAfterValue, REG_DWORD, &seven, sizeof(seven));
    EXPECT_TRUE(store.openAfterConversion());

    // A string "0" is not a DWORD: missing, so on.
    const auto text = wideBytes(L"0", true);
    scratch.setRaw(settings::kLogEnabledValue, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
    EXPECT_TRUE(store.logEnabled());
    // A zero of the wrong type (binary) is also missing.
    scratch.setRaw(settings::kLogEnabledValue, REG_BINARY, &zero, sizeof(zero));
    EXPECT_TRUE(store.logEnabled());
    // Odd sizes of a REG_DWORD value.
    scratch.setRaw(settings::kLogEnabledValue, REG_DWORD, &zero, 2);
    EXPECT_TRUE(store.logEnabled());
    const BYTE eight[8] = {};
    scratch.setRaw(settings::kLogEnabledValue, REG_DWORD, eight, sizeof(eight));
    EXPECT_TRUE(store.logEnabled());
    scratch.setRaw(settings::kLogEnabledValue, REG_DWORD, &zero, sizeof(zero));
    EXPECT_FALSE(store.logEnabled());
}

TEST(SettingsStoreReads, MultiStringRules)
{
    ScratchSettingsKey scratch;
    SettingsStore store;
    ASSERT_TRUE(store.open());

    const wchar_t good[] = {L'a', 0, L'b', 0, 0};
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, good, sizeof(good));
    auto data = store.readParamHistory();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ((std::vector<wchar_t>(good, good + 5)), *data);

    // Wrong type.
    scratch.setRaw(settings::kParamHistoryValue, REG_SZ, good, sizeof(good));
    EXPECT_FALSE(store.readParamHistory().has_value());
    // Data without its final terminators, or with an odd last byte, is given as it is:
    // nothing another writer stored is thrown away.
    const wchar_t oneNull[] = {L'a', 0, L'b', 0};
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, oneNull, sizeof(oneNull));
    data = store.readParamHistory();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ((std::vector<wchar_t>(oneNull, oneNull + 4)), *data);
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, good, sizeof(good) - 1);
    data = store.readParamHistory();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ((std::vector<wchar_t>(good, good + 4)), *data);
}
