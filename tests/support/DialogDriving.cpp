#include "support/DialogDriving.h"

#include <commctrl.h>

namespace testing_support {

void clickListColumn(HWND dialog, int listId, int column)
{
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = GetDlgItem(dialog, listId);
    click.hdr.idFrom = static_cast<UINT_PTR>(listId);
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
}

std::wstring listCellText(HWND list, int row, int column)
{
    wchar_t buffer[512] = {};
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = buffer;
    cell.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    return buffer;
}

} // namespace testing_support
