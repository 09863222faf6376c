// The remembered converter option sets, oldest first and newest last. Logic only:
// the popup menu is built by the settings sheet from menuItems().
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "res/resource.h"

namespace settings {

class SettingsStore;


class ParameterHistory {
public:
    // Entries offered in the popup and kept in the stored value.
    static constexpr size_t kMaxEntries = 10;

    struct MenuItem {
        unsigned int command = 0;
        std::wstring text;
    };

    const std::vector<std::wstring>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // The newest entry; nullptr when the history is empty.
    const std::wstring* newest() const { return entries_.empty() ? nullptr : &entries_.back(); }

    // Entries longer than the longest command line a process can be given are never
    // offered: no run could use them, and a sheet would take ages to show them.
    static constexpr size_t kMaxEntryLength = 32767;

    // Replaces the list with the strings of REG_MULTI_SZ data: each up to its null,
    // in stored order, until the first empty string or the end of the data. A last
    // string without a terminator still counts (up to the end of the data). Entries
    // over kMaxEntryLength are skipped.
    void loadFromMultiString(std::span<const wchar_t> data);
    // Reads ParamHistory from an open store. A missing or unusable value leaves the list unchanged.
    void load(const SettingsStore& store);

    // The popup items after "&Revert to the default": the min(size, 10) newest entries,
    // newest first, with commands IDM_HISTORY_FIRST.. and texts "&<(k + 1) mod 10>, <entry>".
    std::vector<MenuItem> menuItems() const;
    // The entry that the popup showed under a history command; nullopt for other
    // commands and for numbers beyond the list.
    std::optional<std::wstring> entryForCommand(unsigned int command) const;

    // Removes every equal entry (case-sensitive), then appends entry as the newest.
    void add(const std::wstring& entry);
    // The stored form of the min(size, 10) newest entries, oldest first: each entry and
    // a null, then one more null. An empty history is a single null.
    std::vector<wchar_t> storedForm() const;
    // Under a per-user lock: reads the stored list again (load), add(entry), then writes
    // storedForm() as ParamHistory into the open store.
    bool addAndStore(const std::wstring& entry, const SettingsStore& store);

private:
    std::vector<std::wstring> entries_;
};

} // namespace settings
