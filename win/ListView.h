// A typed view of a report-style list view control in owner-data mode: the owner keeps
// the rows and answers LVN_GETDISPINFO; the control holds only their count. It does not
// own the window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

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

    // Answers LVN_GETDISPINFO for one cell: the text (cut to the caller's buffer) and, for
    // the first column, the image.
    static void answerDisplayInfo(NMLVDISPINFOW& info, std::wstring_view text, int image);

};

} // namespace win
