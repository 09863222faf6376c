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
