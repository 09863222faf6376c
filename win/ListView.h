// A typed view of a report-style list view control. It does not own the window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/Window.h"

namespace win {

class ListView : public Window {
public:
    using Window::Window;

    void setSmallImages(HIMAGELIST images) const { send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)); }
    void setExtendedStyles(DWORD styles) const { send(LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles); }
    void insertColumn(int index, const std::wstring& header, int format, int width) const;
    void deleteAllRows() const { send(LVM_DELETEALLITEMS); }
    int rowCount() const { return static_cast<int>(send(LVM_GETITEMCOUNT)); }

    // Adds a row at index with the first column's text and image; returns its index, -1 on failure.
    int insertRow(int index, const std::wstring& text, int image) const;
    void setCellText(int row, int column, const std::wstring& text) const;
    // The cell's text, cut to capacity - 1 characters.
    std::wstring cellText(int row, int column, int capacity = 256) const;
    void setRowData(int row, LPARAM data) const;
    // Sorts the rows with a comparison of their data.
    void sortRows(PFNLVCOMPARE compare, LPARAM context) const
    {
        send(LVM_SORTITEMS, static_cast<WPARAM>(context), reinterpret_cast<LPARAM>(compare));
    }

    // Turns the control's repainting off (while many rows go in) or back on, with a repaint.
    void setRedraw(bool redraw) const;
};

} // namespace win
