// The message rows of a run, in the run's own storage: the list view shows them in
// owner-data mode and asks only for the rows it paints. One text buffer holds every
// row's page and description; a row itself is 16 bytes, so a row costs little more than
// its text. Sorting reorders the rows, stably, as a click on a column header asks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/MessageType.h"

namespace converter {

class MessageStore {
public:
    // Forgets every row and gives back the memory.
    void clear();
    // Adds a row at the end; only the shown types (Info, Warn, Error) become rows.
    void append(MessageType type, std::wstring_view page, std::wstring_view description);

    size_t size() const { return rows_.size(); }
    MessageType type(size_t row) const { return static_cast<MessageType>(rows_[row].type); }
    std::wstring_view page(size_t row) const;
    std::wstring_view description(size_t row) const;

    // Sorts the rows stably by a column: 0 the type's shown name (typeNames, indexed by
    // type), 1 the page as a number, 2 the description; texts compare ordinally, case
    // included. Descending reverses the order, rows that compare equal keep theirs.
    // Returns where each row went (the new index of the row that was at index i), so a
    // selection can follow its rows.
    std::vector<std::uint32_t> sort(int column, bool descending, const std::wstring (&typeNames)[3]);

private:
    struct Row {
        std::uint32_t offset;            // of the page text in text_
        std::uint32_t pageLength;
        std::uint32_t descriptionLength; // the description follows the page
        std::uint32_t type;
    };
    std::vector<Row> rows_;
    std::wstring text_;
};

} // namespace converter
