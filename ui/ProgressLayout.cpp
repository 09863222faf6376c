#include "ui/ProgressLayout.h"

#include "res/resource.h"
#include "base/StringTable.h"
#include "win/Window.h"

namespace ui {

namespace {

win::Window itemOf(HWND dialog, int id) { return win::Window(GetDlgItem(dialog, id)); }

} // namespace

void ProgressLayout::attach(HWND dialog)
{
    dialog_ = dialog;
    RECT window = {};
    GetWindowRect(dialog_, &window);
    const RECT list = itemOf(dialog_, IDC_PROGRESS_MESSAGES).rectInParent();
    POINT listTop = {list.left, list.top};
    ClientToScreen(dialog_, &listTop);
    minimumWidth_ = laidOutWidth_ = window.right - window.left;
    collapsedHeight_ = listTop.y - window.top;
    minimumHeight_ = expandedHeight_ = window.bottom - window.top;
    lastSizeType_ = SIZE_RESTORED;
    setDetailsCollapsed(false);
}

void ProgressLayout::setDetailsCollapsed(bool collapsed)
{
    LONG style = GetWindowLongW(dialog_, GWL_STYLE);
    RECT window = {};
    GetWindowRect(dialog_, &window);
    if (collapsed) {
        style &= ~static_cast<LONG>(WS_MAXIMIZEBOX);
    } else {
        style |= WS_MAXIMIZEBOX;
    }
    MoveWindow(dialog_, window.left, window.top, window.right - window.left,
        collapsed ? collapsedHeight_ : expandedHeight_, TRUE);
    itemOf(dialog_, IDC_PROGRESS_DETAILS).setText(base::loadString(collapsed ? IDS_DETAILS_SHOW : IDS_DETAILS_HIDE));
    SetWindowLongW(dialog_, GWL_STYLE, style);
    DrawMenuBar(dialog_);
    detailsCollapsed_ = collapsed;
}

void ProgressLayout::scale(int numerator, int denominator)
{
    for (int* measure : {&collapsedHeight_, &expandedHeight_, &laidOutWidth_, &minimumWidth_, &minimumHeight_}) {
        *measure = MulDiv(*measure, numerator, denominator);
    }
}

void ProgressLayout::onSizing(WPARAM edge, RECT& rect)
{
    if (rect.bottom - rect.top < minimumHeight_) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
            rect.top = rect.bottom - minimumHeight_;
        } else if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) {
            rect.bottom = rect.top + minimumHeight_;
        }
    }
    if (rect.right - rect.left < minimumWidth_) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) {
            rect.left = rect.right - minimumWidth_;
        } else if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) {
            rect.right = rect.left + minimumWidth_;
        }
    }
    relayoutControls(rect.right - rect.left, rect.bottom - rect.top);
}

void ProgressLayout::onSize(WPARAM type)
{
    if (type == SIZE_MAXIMIZED || (type == SIZE_RESTORED && lastSizeType_ == SIZE_MAXIMIZED)) {
        RECT window = {};
        GetWindowRect(dialog_, &window);
        relayoutControls(window.right - window.left, window.bottom - window.top);
    }
    itemOf(dialog_, IDC_PROGRESS_DETAILS).enable(type != SIZE_MAXIMIZED);
    lastSizeType_ = static_cast<int>(type);
}

// Controls follow the window's right edge, the list and "Open Log" also its bottom edge
// (while the details are shown); the new size is remembered.
void ProgressLayout::relayoutControls(int width, int height)
{
    const int dx = width - laidOutWidth_;
    const int dy = detailsCollapsed_ ? 0 : height - expandedHeight_;
    if (dx == 0 && dy == 0) {
        return;
    }
    itemOf(dialog_, IDC_QUEUE_DOCUMENT).moveEdges(0, 0, dx, 0); // only in a queue's window
    itemOf(dialog_, IDC_PROGRESS_STATUS).moveEdges(0, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_BAR).moveEdges(0, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_ANIMATION).moveEdges(dx, 0, dx, 0);
    itemOf(dialog_, IDCANCEL).moveEdges(dx, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_DETAILS).moveEdges(dx, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_MESSAGES).moveEdges(0, 0, dx, dy);
    itemOf(dialog_, IDC_PROGRESS_OPEN_LOG).moveEdges(dx, dy, dx, dy);
    // The added controls: the time line widens, Pause and Background follow the right
    // edge, the filter and the end-of-run choice the bottom edge.
    itemOf(dialog_, IDC_PROGRESS_TIME).moveEdges(0, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_PAUSE).moveEdges(dx, 0, dx, 0);
    itemOf(dialog_, IDC_PROGRESS_BACKGROUND).moveEdges(dx, 0, dx, 0);
    for (int id : {IDC_PROGRESS_FILTER_LABEL, IDC_PROGRESS_FILTER, IDC_PROGRESS_WHEN_DONE_LABEL, IDC_PROGRESS_WHEN_DONE}) {
        // Moved, not sized: a drop-down list's window height is that of its open list.
        const win::Window control = itemOf(dialog_, id);
        const RECT rect = control.rectInParent();
        SetWindowPos(control.hwnd(), nullptr, rect.left, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog_, nullptr, TRUE);
    laidOutWidth_ = width;
    if (!detailsCollapsed_) {
        expandedHeight_ = height;
    }
}

} // namespace ui
