#include "ui/ProgressWindowMemory.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "settings/WindowSettings.h"
#include "win/Dpi.h"

namespace ui {

namespace {

constexpr int kColumnCount = 3;

int scaled(int value, UINT toDpi, UINT fromDpi)
{
    return MulDiv(value, static_cast<int>(toDpi), static_cast<int>(fromDpi));
}

} // namespace

int ProgressWindowMemory::typeColumnWidth(const win::ListView& list, const std::wstring (&typeNames)[3],
    int templateWidth, UINT dpi)
{
    int widest = 0;
    for (const std::wstring& name : typeNames) {
        widest = std::max(widest, static_cast<int>(SendMessageW(list.hwnd(), LVM_GETSTRINGWIDTHW, 0,
                                      reinterpret_cast<LPARAM>(name.c_str()))));
    }
    // The row's image and the cell's margins beside the text.
    const int extra = win::systemMetricForDpi(SM_CXSMICON, dpi) + win::scaleForDpi(16, dpi);
    return std::max(win::scaleForDpi(templateWidth, dpi), widest + extra);
}

int ProgressWindowMemory::headerColumnWidth(const win::ListView& list, const std::wstring& header, int templateWidth, UINT dpi)
{
    const auto text = static_cast<int>(SendMessageW(list.hwnd(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(header.c_str())));
    // The header's margins on both sides of its text.
    return std::max(win::scaleForDpi(templateWidth, dpi), text + win::scaleForDpi(16, dpi));
}

void ProgressWindowMemory::restore(HWND window, ProgressLayout& layout, const win::ListView& list, UINT dpi) const
{
    if (const auto columns = settings::readListColumns(windowName_, kColumnCount)) {
        for (int column = 0; column < kColumnCount; ++column) {
            SendMessageW(list.hwnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                win::scaleForDpi(columns->widths[static_cast<size_t>(column)], dpi));
        }
        SendMessageW(list.hwnd(), LVM_SETCOLUMNORDERARRAY, kColumnCount, reinterpret_cast<LPARAM>(columns->order.data()));
    }
    const auto place = settings::readWindowPlace(windowName_);
    if (!place || !settings::onAnExistingMonitor(place->normal)) {
        return; // centred, as the template says
    }
    RECT rect = place->normal;
    rect.right = rect.left + scaled(rect.right - rect.left, dpi, place->dpi);
    rect.bottom = rect.top + scaled(rect.bottom - rect.top, dpi, place->dpi);
    layout.onSizing(WMSZ_BOTTOMRIGHT, rect); // keeps the smallest size and lays the controls out
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
        SWP_NOZORDER | SWP_NOACTIVATE);
    if (place->maximized) {
        ShowWindow(window, SW_MAXIMIZE);
    }
}

void ProgressWindowMemory::save(HWND window, const ProgressLayout& layout, const win::ListView& list, UINT dpi) const
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(window, &placement)) {
        settings::WindowPlace place;
        place.normal = placement.rcNormalPosition;
        if (layout.detailsCollapsed()) {
            place.normal.bottom = place.normal.top + layout.expandedHeight(); // the pane's height when shown
        }
        place.maximized = placement.showCmd == SW_SHOWMAXIMIZED;
        place.dpi = dpi;
        settings::writeWindowPlace(windowName_, place);
    }
    settings::ListColumns columns;
    columns.order.assign(kColumnCount, 0);
    if (!SendMessageW(list.hwnd(), LVM_GETCOLUMNORDERARRAY, kColumnCount, reinterpret_cast<LPARAM>(columns.order.data()))) {
        return;
    }
    for (int column = 0; column < kColumnCount; ++column) {
        const auto width = static_cast<int>(SendMessageW(list.hwnd(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        columns.widths.push_back(MulDiv(width, 96, static_cast<int>(dpi)));
    }
    settings::writeListColumns(windowName_, columns);
}

} // namespace ui
