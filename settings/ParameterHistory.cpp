#include "settings/ParameterHistory.h"

#include <algorithm>
#include <utility>


namespace settings {

void ParameterHistory::loadFromMultiString(std::span<const wchar_t> data)
{
    entries_.clear();
    size_t position = 0;
    while (position < data.size()) {
        size_t length = 0;
        while (position + length < data.size() && data[position + length] != L'\0') {
            ++length;
        }
        if (length == 0) {
            break;
        }
        if (length <= kMaxEntryLength) {
            entries_.emplace_back(data.data() + position, length);
        }
        position += length + 1;
    }
}

std::vector<ParameterHistory::MenuItem> ParameterHistory::menuItems() const
{
    std::vector<MenuItem> items;
    const size_t count = std::min(entries_.size(), kMaxEntries);
    items.reserve(count);
    for (size_t k = 0; k < count; ++k) {
        MenuItem item;
        item.command = IDM_HISTORY_FIRST + static_cast<unsigned int>(k);
        item.text = L"&" + std::to_wstring((k + 1) % 10) + L", " + entries_[entries_.size() - 1 - k];
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<std::wstring> ParameterHistory::entryForCommand(unsigned int command) const
{
    if (command < IDM_HISTORY_FIRST || command > IDM_HISTORY_LAST) {
        return std::nullopt;
    }
    const size_t k = command - IDM_HISTORY_FIRST;
    if (k >= entries_.size()) {
        return std::nullopt;
    }
    return entries_[entries_.size() - 1 - k];
}

void ParameterHistory::add(const std::wstring& entry)
{
    std::erase(entries_, entry);
    entries_.push_back(entry);
}

std::vector<wchar_t> ParameterHistory::storedForm() const
{
    const size_t count = std::min(entries_.size(), kMaxEntries);
    std::vector<wchar_t> data;
    for (size_t i = entries_.size() - count; i < entries_.size(); ++i) {
        data.insert(data.end(), entries_[i].begin(), entries_[i].end());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    return data;
}

} // namespace settings
