// A typed view of a report-style list view control in owner-data mode: the owner keeps
// the rows and answers LVN_GETDISPINFO; the control holds only their count. It does not
// own the window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "win/Window.h"

namespace win {

class ListView : public Window {
public:
    using Window::Window;

    void setSmallImages(HIMAGELIST images) const { send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)); }
    void setExtendedStyles(DWORD styles) const { send(LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles); }
    void insertColumn(int index, const std::wstring& header, int format, int width) const;
    int rowCount() const { return static_cast<int>(send(LVM_GETITEMCOUNT)); }

    // The number of rows the owner holds; the view keeps its scroll position, and rows
    // already shown are not repainted.
    void setRowCount(int count) const
    {
        send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    // Every row's texts have changed (a sort): the visible ones are painted again.
    void repaintRows() const { InvalidateRect(hwnd_, nullptr, FALSE); }

    // The selected rows in ascending order, and the row with the focus (-1: none).
    std::vector<int> selectedRows() const;
    int focusedRow() const { return static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }
    // Moves the selection and the focus to other rows: the rows' order has changed.
    // newIndex maps each old row index to its new one.
    void moveSelection(const std::vector<int>& selected, int focused, const std::vector<std::uint32_t>& newIndex) const;

    // Answers LVN_GETDISPINFO for one cell: the text (cut to the caller's buffer) and, for
    // the first column, the image.
    static void answerDisplayInfo(NMLVDISPINFOW& info, std::wstring_view text, int image);

};

} // namespace win
