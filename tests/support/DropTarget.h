// Where the platform delivers files dropped on a window: the window itself or its
// nearest ancestor that accepts files (WS_EX_ACCEPTFILES); nullptr when none does.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

inline HWND dropTargetOf(HWND window)
{
    while (window != nullptr && (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) == 0) {
        window = GetAncestor(window, GA_PARENT);
    }
    return window;
}

// An HDROP with the given paths, as the shell builds it.
inline HDROP makeDrop(const std::vector<std::wstring>& paths)
{
    size_t characters = 1;
    for (const auto& path : paths) {
        characters += path.size() + 1;
    }
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        text += path.size() + 1;
    }
    *text = L'\0';
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

} // namespace testing_support
