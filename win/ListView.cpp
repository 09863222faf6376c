#include "win/ListView.h"

#include <cwchar>

namespace win {

void ListView::insertColumn(int index, const std::wstring& header, int format, int width) const
{
    std::wstring text = header;
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

std::vector<int> ListView::selectedRows() const
{
    std::vector<int> rows;
    const auto count = static_cast<size_t>(send(LVM_GETSELECTEDCOUNT));
    rows.reserve(count);
    int row = -1;
    while (rows.size() < count
        && (row = static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0) {
        rows.push_back(row);
    }
    return rows;
}

void ListView::moveSelection(const std::vector<int>& selected, int focused, const std::vector<std::uint32_t>& newIndex) const
{
    auto setState = [this](int row, UINT state, UINT mask) {
        LVITEMW item = {};
        item.stateMask = mask;
        item.state = state;
        send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    };
    auto moved = [&newIndex](int row) {
        return row >= 0 && static_cast<size_t>(row) < newIndex.size() ? static_cast<int>(newIndex[row]) : -1;
    };
    if (!selected.empty()) {
        setState(-1, 0, LVIS_SELECTED); // row -1: every row
        for (const int row : selected) {
            if (const int to = moved(row); to >= 0) {
                setState(to, LVIS_SELECTED, LVIS_SELECTED);
            }
        }
    }
    if (const int to = moved(focused); to >= 0) {
        setState(to, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

void ListView::answerDisplayInfo(NMLVDISPINFOW& info, std::wstring_view text, int image)
{
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) {
        item.iImage = image;
    }
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const size_t length = text.size() < static_cast<size_t>(item.cchTextMax) ? text.size()
                                                                                 : static_cast<size_t>(item.cchTextMax) - 1;
        std::wmemcpy(item.pszText, text.data(), length);
        item.pszText[length] = L'\0';
    }
}

} // namespace win
