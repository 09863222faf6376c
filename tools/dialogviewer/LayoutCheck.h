// Finds captions that do not fit their controls and controls that overlap, in a live
// dialog: the screenshot viewer prints the findings and the resource tests assert on them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace layoutcheck {

struct Finding {
    int id = 0;             // control id (-1 for labels without one)
    std::wstring text;      // the caption, or "a / b" for an overlap
    int needed = 0;         // pixels the caption needs (overlaps: 0)
    int available = 0;      // pixels the control offers (overlaps: 0)
};

inline std::wstring className(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

inline std::wstring windowText(HWND hwnd)
{
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

inline std::vector<HWND> children(HWND dialog)
{
    std::vector<HWND> result;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        result.push_back(child);
    }
    return result;
}

// The rectangle of a child in its parent's client coordinates.
inline RECT childRect(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The size of a caption drawn in the control's font; wrapWidth > 0 measures wrapped text.
inline SIZE textExtent(HWND control, const std::wstring& text, bool noPrefix, int wrapWidth)
{
    HDC dc = GetDC(control);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT rect = { 0, 0, wrapWidth > 0 ? wrapWidth : 0, 0 };
    UINT format = DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    if (noPrefix) {
        format |= DT_NOPREFIX;
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    if (old) {
        SelectObject(dc, old);
    }
    ReleaseDC(control, dc);
    SIZE size = { rect.right - rect.left, rect.bottom - rect.top };
    if (size.cy == 0) {
        size.cy = metrics.tmHeight;
    }
    return size;
}

// Captions of labels, check boxes, push buttons and group boxes wider (or, for labels
// of two or more lines, taller) than their control allows.
inline std::vector<Finding> clippedCaptions(HWND dialog)
{
    std::vector<Finding> findings;
    for (HWND child : children(dialog)) {
        const std::wstring text = windowText(child);
        if (text.empty()) {
            continue;
        }
        const std::wstring kind = className(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        RECT rect = {};
        GetClientRect(child, &rect);
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        int needed = 0;
        int available = width;
        if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
            const LONG type = style & BS_TYPEMASK;
            const SIZE size = textExtent(child, text, false, 0);
            if (type == BS_GROUPBOX) {
                needed = size.cx + 16; // frame indent on both sides of the caption
            } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON
                || type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
                needed = size.cx + GetSystemMetrics(SM_CXMENUCHECK) + 4;
            } else {
                needed = size.cx + 6; // edge and focus rectangle
            }
        } else if (lstrcmpiW(kind.c_str(), L"Static") == 0) {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) {
                continue;
            }
            const bool noPrefix = (style & SS_NOPREFIX) != 0;
            const SIZE line = textExtent(child, text, noPrefix, 0);
            if (height >= 2 * line.cy && type != SS_LEFTNOWORDWRAP) {
                const SIZE wrapped = textExtent(child, text, noPrefix, width);
                needed = wrapped.cy;
                available = height;
            } else {
                needed = line.cx;
            }
        } else {
            continue;
        }
        if (needed > available) {
            findings.push_back({ GetDlgCtrlID(child), text, needed, available });
        }
    }
    return findings;
}

// The part of a control that shows something: for a one-line left-aligned label the
// width of its caption, otherwise the whole rectangle.
inline RECT usedRect(HWND control)
{
    RECT rect = childRect(control);
    if (lstrcmpiW(className(control).c_str(), L"Static") != 0) {
        return rect;
    }
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    if (type == SS_LEFT || type == SS_LEFTNOWORDWRAP) {
        const SIZE line = textExtent(control, windowText(control), (style & SS_NOPREFIX) != 0, 0);
        if (rect.bottom - rect.top < 2 * line.cy && rect.left + line.cx < rect.right) {
            rect.right = rect.left + line.cx;
        }
    }
    return rect;
}

// Pairs of visible controls whose used parts intersect, except the expected ones:
// group boxes (they frame others), icons (placed beside their labels), and an up-down
// and its buddy.
inline std::vector<Finding> overlappingControls(HWND dialog)
{
    std::vector<Finding> findings;
    const std::vector<HWND> all = children(dialog);
    auto framesOthers = [](HWND hwnd) {
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        const std::wstring kind = className(hwnd);
        return (lstrcmpiW(kind.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX)
            || (lstrcmpiW(kind.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON);
    };
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            HWND a = all[i];
            HWND b = all[j];
            // The control's own visibility: the dialog itself need not be shown.
            const bool shown = (GetWindowLongW(a, GWL_STYLE) & WS_VISIBLE) && (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE);
            if (!shown || framesOthers(a) || framesOthers(b)) {
                continue;
            }
            const bool upDownPair = (lstrcmpiW(className(a).c_str(), UPDOWN_CLASSW) == 0
                                        && reinterpret_cast<HWND>(SendMessageW(a, UDM_GETBUDDY, 0, 0)) == b)
                || (lstrcmpiW(className(b).c_str(), UPDOWN_CLASSW) == 0
                    && reinterpret_cast<HWND>(SendMessageW(b, UDM_GETBUDDY, 0, 0)) == a);
            if (upDownPair) {
                continue;
            }
            const RECT ra = usedRect(a);
            const RECT rb = usedRect(b);
            RECT common = {};
            if (IntersectRect(&common, &ra, &rb)) {
                findings.push_back({ GetDlgCtrlID(a), windowText(a) + L" / " + windowText(b), 0, 0 });
            }
        }
    }
    return findings;
}

} // namespace layoutcheck
