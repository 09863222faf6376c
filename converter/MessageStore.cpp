#include "converter/MessageStore.h"

#include <algorithm>

#include "converter/OutputInterpreter.h"

namespace converter {

void MessageStore::clear()
{
    rows_.clear();
    rows_.shrink_to_fit();
    text_.clear();
    text_.shrink_to_fit();
}

void MessageStore::append(MessageType type, std::wstring_view page, std::wstring_view description)
{
    const int shown = static_cast<int>(type);
    if (shown < 0 || shown > 2) {
        return;
    }
    Row row = {};
    row.offset = static_cast<std::uint32_t>(text_.size());
    row.pageLength = static_cast<std::uint32_t>(page.size());
    row.descriptionLength = static_cast<std::uint32_t>(description.size());
    row.type = static_cast<std::uint32_t>(shown);
    text_.append(page);
    text_.append(description);
    rows_.push_back(row);
}

std::wstring_view MessageStore::page(size_t row) const
{
    const Row& entry = rows_[row];
    return std::wstring_view(text_).substr(entry.offset, entry.pageLength);
}

std::wstring_view MessageStore::description(size_t row) const
{
    const Row& entry = rows_[row];
    return std::wstring_view(text_).substr(entry.offset + entry.pageLength, entry.descriptionLength);
}

void MessageStore::sort(int column, bool descending, const std::wstring (&typeNames)[3])
{
    const int direction = descending ? -1 : 1;
    const std::wstring_view text(text_);
    if (column == 1) {
        // The page numbers, read once.
        std::vector<std::pair<int, Row>> keyed;
        keyed.reserve(rows_.size());
        for (const Row& row : rows_) {
            keyed.emplace_back(OutputInterpreter::integerValue(text.substr(row.offset, row.pageLength)), row);
        }
        std::stable_sort(keyed.begin(), keyed.end(), [direction](const auto& a, const auto& b) {
            return direction > 0 ? a.first < b.first : b.first < a.first;
        });
        for (size_t i = 0; i < keyed.size(); ++i) {
            rows_[i] = keyed[i].second;
        }
        return;
    }
    auto shownText = [&](const Row& row) {
        return column == 0 ? std::wstring_view(typeNames[row.type])
                           : text.substr(row.offset + row.pageLength, row.descriptionLength);
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        const int order = shownText(a).compare(shownText(b));
        return direction > 0 ? order < 0 : order > 0;
    });
}

} // namespace converter
