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

} // namespace testing_support
