// The message rows as the user takes them out of the progress window: a filter by type
// (the list shows the rows it lets through; counters count every row), the rows as tab
// separated text as they are shown, and a file of them in UTF-8.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "converter/MessageStore.h"

namespace converter {

enum class MessageFilter { All = 0, WarningsAndErrors = 1, ErrorsOnly = 2 };

bool filterPasses(MessageFilter filter, MessageType type);

// The rows of a store that a filter lets through, in the store's order. With All it holds
// nothing and maps a row to itself, so the common case costs no memory.
class FilteredRows {
public:
    MessageFilter filter() const { return filter_; }
    // A new filter, or the store reordered: every row looked at again.
    void rebuild(const MessageStore& store, MessageFilter filter);
    // Rows appended to the store since the last call.
    void takeNewRows(const MessageStore& store);
    size_t size() const { return filter_ == MessageFilter::All ? scanned_ : shown_.size(); }
    // The store's index of a shown row.
    size_t storeIndex(size_t shownRow) const { return filter_ == MessageFilter::All ? shownRow : shown_[shownRow]; }

private:
    MessageFilter filter_ = MessageFilter::All;
    size_t scanned_ = 0;
    std::vector<std::uint32_t> shown_;
};

// One line per row, "type<TAB>page<TAB>description" and CR LF, as the list shows them.
std::wstring rowsAsText(const MessageStore& store, const std::vector<size_t>& storeRows, const std::wstring (&typeNames)[3]);

// Writes the text as UTF-8 with a byte-order mark, replacing the file. False with the OS
// error when it could not be written whole.
bool saveTextAsUtf8(const std::wstring& path, const std::wstring& text, DWORD& error);

} // namespace converter
