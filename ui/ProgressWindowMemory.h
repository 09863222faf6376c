// A progress window's place and size and its message list's column widths and order,
// remembered per user (settings/WindowSettings) when the window closes and restored when
// it opens: the place only on a monitor that still exists, sizes scaled from the DPI they
// were saved at. The window's layout keeps its own smallest size.
#pragma once

#include <windows.h>

#include <string>

#include "ui/ProgressLayout.h"
#include "win/ListView.h"

namespace ui {

class ProgressWindowMemory {
public:
    // windowName: the name its values are stored under ("ProgressWindow", "QueueWindow").
    explicit ProgressWindowMemory(std::wstring windowName) : windowName_(std::move(windowName)) {}

    // After the window's layout is attached and its list's columns are made.
    void restore(HWND window, ProgressLayout& layout, const win::ListView& list, UINT dpi) const;
    // When the window closes.
    void save(HWND window, const ProgressLayout& layout, const win::ListView& list, UINT dpi) const;

    // The Type column's width: the template's, or wider for the longest type name shown
    // with its image.
    static int typeColumnWidth(const win::ListView& list, const std::wstring (&typeNames)[3], int templateWidth, UINT dpi);
    // Another column's width: the template's, or wider for its header (a longer word in
    // another language).
    static int headerColumnWidth(const win::ListView& list, const std::wstring& header, int templateWidth, UINT dpi);

private:
    std::wstring windowName_;
};

} // namespace ui
