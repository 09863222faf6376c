#include "win/ListView.h"

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

int ListView::insertRow(int index, const std::wstring& text, int image) const
{
    std::wstring copy = text;
    LVITEMW entry = {};
    entry.mask = LVIF_TEXT | LVIF_IMAGE;
    entry.iItem = index;
    entry.pszText = copy.data();
    entry.iImage = image;
    return static_cast<int>(send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry)));
}

void ListView::setCellText(int row, int column, const std::wstring& text) const
{
    std::wstring copy = text;
    LVITEMW cell = {};
    cell.mask = LVIF_TEXT;
    cell.iItem = row;
    cell.iSubItem = column;
    cell.pszText = copy.data();
    send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
}

std::wstring ListView::cellText(int row, int column, int capacity) const
{
    std::wstring text(static_cast<size_t>(capacity > 1 ? capacity : 1), L'\0');
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = text.data();
    cell.cchTextMax = static_cast<int>(text.size());
    const auto length = send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

void ListView::setRowData(int row, LPARAM data) const
{
    LVITEMW entry = {};
    entry.mask = LVIF_PARAM;
    entry.iItem = row;
    entry.lParam = data;
    send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
}

void ListView::setRedraw(bool redraw) const
{
    send(WM_SETREDRAW, redraw ? TRUE : FALSE);
    if (redraw) {
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

} // namespace win
