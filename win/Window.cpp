#include "win/Window.h"

namespace win {

std::wstring Window::text() const
{
    const int length = GetWindowTextLengthW(hwnd_);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

RECT Window::rectInParent() const
{
    RECT rect = {};
    GetWindowRect(hwnd_, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Window::moveEdges(int dLeft, int dTop, int dRight, int dBottom) const
{
    if (hwnd_ == nullptr) {
        return;
    }
    const RECT rect = rectInParent();
    const int left = rect.left + dLeft;
    const int top = rect.top + dTop;
    MoveWindow(hwnd_, left, top, rect.right + dRight - left, rect.bottom + dBottom - top, TRUE);
}

} // namespace win
