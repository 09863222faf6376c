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

std::vector<std::uint32_t> MessageStore::sort(int column, bool descending, const std::wstring (&typeNames)[3])
{
    const int direction = descending ? -1 : 1;
    const std::wstring_view text(text_);
    // The rows' old indices in their new order.
    std::vector<std::uint32_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    if (column == 1) {
        // The page numbers, read once.
        std::vector<int> pages;
        pages.reserve(rows_.size());
        for (const Row& row : rows_) {
            pages.push_back(OutputInterpreter::integerValue(text.substr(row.offset, row.pageLength)));
        }
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return direction > 0 ? pages[a] < pages[b] : pages[b] < pages[a];
        });
    } else {
        auto shownText = [&](const Row& row) {
            return column == 0 ? std::wstring_view(typeNames[row.type])
                               : text.substr(row.offset + row.pageLength, row.descriptionLength);
        };
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int compared = shownText(rows_[a]).compare(shownText(rows_[b]));
            return direction > 0 ? compared < 0 : compared > 0;
        });
    }
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<std::uint32_t> newIndex(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(rows_[order[i]]);
        newIndex[order[i]] = static_cast<std::uint32_t>(i);
    }
    rows_ = std::move(sorted);
    return newIndex;
}

} // namespace converter
