// The parameter history: loading, popup items, commands, add-and-store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKey.h"
#include "res/resource.h"
#include "settings/ParameterHistory.h"
#include "settings/SettingsStore.h"

using settings::ParameterHistory;

namespace {

std::vector<wchar_t> multiString(const std::vector<std::wstring>& entries)
{
    std::vector<wchar_t> data;
    for (const auto& entry : entries) {
        data.insert(data.end(), entry.begin(), entry.end());
        data.push_back(0);
    }
    data.push_back(0);
    return data;
}

std::vector<std::wstring> numbered(int count)
{
    std::vector<std::wstring> entries;
    for (int i = 1; i <= count; ++i) {
        entries.push_back(L"--entry=" + std::to_wstring(i));
    }
    return entries;
}

} // namespace

TEST(ParameterHistoryLoad, TakesStringsUpToTheFirstEmptyOne)
{
    ParameterHistory history;
    const wchar_t data[] = {L'a', 0, L'b', L'c', 0, 0, L'z', 0, 0};
    history.loadFromMultiString(data);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"bc"}), history.entries());
    ASSERT_NE(nullptr, history.newest());
    EXPECT_EQ(L"bc", *history.newest());
}

TEST(ParameterHistoryLoad, UnterminatedDataIsReadToItsEndOnly)
{
    ParameterHistory history;
    const wchar_t data[] = {L'a', 0, L'x', L'y'};
    history.loadFromMultiString(data);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"xy"}), history.entries());
    history.loadFromMultiString({});
    EXPECT_TRUE(history.empty());
    EXPECT_EQ(nullptr, history.newest());
}

TEST(ParameterHistoryLoad, AValueWithoutItsTerminatorKeepsEveryEntry)
{
    // Another writer stored the strings with one null only, and one entry too long for
    // any command line: the others survive the next confirm.
    ScratchSettingsKey scratch;
    std::vector<wchar_t> data = {L'-', L'a', 0};
    data.insert(data.end(), ParameterHistory::kMaxEntryLength + 1, L'x');
    data.push_back(0);
    data.insert(data.end(), {L'-', L'b', L' ', L'1', 0});
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    ParameterHistory history;
    history.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"-a", L"-b 1"}), history.entries());
    ASSERT_TRUE(history.addAndStore(L"--new", store));
    ParameterHistory reloaded;
    reloaded.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"-a", L"-b 1", L"--new"}), reloaded.entries());
}

TEST(ParameterHistoryLoad, FromTheRegistry)
{
    ScratchSettingsKey scratch;
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    ParameterHistory history;
    history.load(store);
    EXPECT_TRUE(history.empty());

    const auto data = multiString({L"--nosep", L"--dpi=600 --foo"});
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    history.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"--nosep", L"--dpi=600 --foo"}), history.entries());

    // A mistyped value leaves the list unchanged.
    scratch.setRaw(settings::kParamHistoryValue, REG_BINARY, data.data(), static_cast<DWORD>(data.size() * 2));
    history.load(store);
    EXPECT_EQ(2u, history.size());
}

TEST(ParameterHistoryLoad, HugeValuesAreLoadedWholeButOverlongEntriesSkipped)
{
    ScratchSettingsKey scratch;
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    ParameterHistory history;

    const auto many = numbered(10000);
    auto data = multiString(many);
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    history.load(store);
    ASSERT_EQ(10000u, history.size());
    EXPECT_EQ(L"--entry=10000", *history.newest());
    const auto items = history.menuItems();
    ASSERT_EQ(10u, items.size());
    EXPECT_EQ(L"&1, --entry=10000", items[0].text);
    EXPECT_EQ(L"&0, --entry=9991", items[9].text);

    // One megabyte in a single entry: longer than any command line, so never offered.
    const std::wstring big(512 * 1024 - 2, L'q');
    data = multiString({L"--small", big});
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    history.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"--small"}), history.entries());
    // The next store keeps the ten newest.
    data = multiString(many);
    scratch.setRaw(settings::kParamHistoryValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    EXPECT_TRUE(history.addAndStore(L"--new", store));
    const auto stored = scratch.raw(settings::kParamHistoryValue);
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), stored.first);
    ParameterHistory reloaded;
    reloaded.load(store);
    ASSERT_EQ(10u, reloaded.size());
    EXPECT_EQ(L"--entry=9992", reloaded.entries()[0]);
    EXPECT_EQ(L"--new", reloaded.entries()[9]);
}

TEST(ParameterHistoryMenu, EmptyHistoryHasNoItems)
{
    ParameterHistory history;
    EXPECT_TRUE(history.menuItems().empty());
    EXPECT_FALSE(history.entryForCommand(IDM_HISTORY_FIRST).has_value());
}

TEST(ParameterHistoryMenu, TwelveEntriesShowTheTenNewestNumberedOneToZero)
{
    ParameterHistory history;
    history.loadFromMultiString(multiString(numbered(12)));
    const auto items = history.menuItems();
    ASSERT_EQ(10u, items.size());
    for (size_t k = 0; k < items.size(); ++k) {
        EXPECT_EQ(1027u + k, items[k].command);
        const std::wstring expected
            = L"&" + std::to_wstring((k + 1) % 10) + L", --entry=" + std::to_wstring(12 - static_cast<int>(k));
        EXPECT_EQ(expected, items[k].text);
    }
    // Item 0 (command 1036) applies the tenth newest.
    EXPECT_EQ(L"--entry=3", history.entryForCommand(1036).value_or(L""));
    EXPECT_EQ(L"--entry=12", history.entryForCommand(1027).value_or(L""));
    EXPECT_FALSE(history.entryForCommand(1026).has_value());
    EXPECT_FALSE(history.entryForCommand(1037).has_value());
}

TEST(ParameterHistoryMenu, CommandsBeyondTheListDoNothing)
{
    ParameterHistory history;
    history.loadFromMultiString(multiString({L"--a", L"--b"}));
    EXPECT_EQ(L"--b", history.entryForCommand(1027).value_or(L""));
    EXPECT_EQ(L"--a", history.entryForCommand(1028).value_or(L""));
    EXPECT_FALSE(history.entryForCommand(1029).has_value());
}

TEST(ParameterHistoryMenu, AmpersandsAreInsertedUnchanged)
{
    ParameterHistory history;
    history.add(L"--x=a&b");
    ASSERT_EQ(1u, history.menuItems().size());
    EXPECT_EQ(L"&1, --x=a&b", history.menuItems()[0].text);
}

TEST(ParameterHistoryAdd, ExistingEntryMovesToTheNewestPosition)
{
    ParameterHistory history;
    history.loadFromMultiString(multiString({L"--a", L"--b", L"--a", L"--c"}));
    history.add(L"--a");
    EXPECT_EQ((std::vector<std::wstring>{L"--b", L"--c", L"--a"}), history.entries());
    history.add(L"--A");
    EXPECT_EQ((std::vector<std::wstring>{L"--b", L"--c", L"--a", L"--A"}), history.entries());
}

TEST(ParameterHistoryAdd, StoredFormHoldsTheTenNewestOldestFirst)
{
    ParameterHistory history;
    EXPECT_EQ((std::vector<wchar_t>{0}), history.storedForm());
    history.add(L"ab");
    history.add(L"c");
    EXPECT_EQ((std::vector<wchar_t>{L'a', L'b', 0, L'c', 0, 0}), history.storedForm());
    for (const auto& entry : numbered(10)) {
        history.add(entry);
    }
    EXPECT_EQ(12u, history.size());
    ParameterHistory reloaded;
    reloaded.loadFromMultiString(history.storedForm());
    EXPECT_EQ(numbered(10), reloaded.entries());
}

TEST(ParameterHistoryAdd, TwoSheetsOpenAtOnceKeepBothConfirmedSets)
{
    // Both sheets loaded the history when shown; each confirm starts from what is stored.
    ScratchSettingsKey scratch;
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    ASSERT_TRUE(ParameterHistory().addAndStore(L"--old", store));
    ParameterHistory first;
    ParameterHistory second;
    first.load(store);
    second.load(store);
    ASSERT_TRUE(first.addAndStore(L"--from-first", store));
    ASSERT_TRUE(second.addAndStore(L"--from-second", store));
    ParameterHistory reloaded;
    reloaded.load(store);
    EXPECT_EQ((std::vector<std::wstring>{L"--old", L"--from-first", L"--from-second"}), reloaded.entries());
    EXPECT_EQ(reloaded.entries(), second.entries()); // the menu shows what is stored
}

TEST(ParameterHistoryAdd, AddAndStoreWritesTheValue)
{
    ScratchSettingsKey scratch;
    settings::SettingsStore store;
    ASSERT_TRUE(store.open());
    ParameterHistory history;
    for (const auto& entry : numbered(10)) {
        ASSERT_TRUE(history.addAndStore(entry, store));
    }
    ASSERT_TRUE(history.addAndStore(L"--eleventh", store));
    const auto stored = scratch.raw(settings::kParamHistoryValue);
    ASSERT_EQ(static_cast<DWORD>(REG_MULTI_SZ), stored.first);
    // 2 x (sum of (length + 1)) + 2 bytes.
    size_t expected = 2;
    auto kept = numbered(10);
    kept.erase(kept.begin());
    kept.push_back(L"--eleventh");
    for (const auto& entry : kept) {
        expected += 2 * (entry.size() + 1);
    }
    EXPECT_EQ(expected, stored.second.size());
    ParameterHistory reloaded;
    reloaded.load(store);
    EXPECT_EQ(kept, reloaded.entries());
    EXPECT_EQ(L"--eleventh", *reloaded.newest());
}
