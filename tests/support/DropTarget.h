// Where the platform delivers files dropped on a window: the window itself or its
// nearest ancestor that accepts files (WS_EX_ACCEPTFILES); nullptr when none does.
#pragma once

#include <windows.h>

namespace testing_support {

inline HWND dropTargetOf(HWND window)
{
    while (window != nullptr && (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) == 0) {
        window = GetAncestor(window, GA_PARENT);
    }
    return window;
}

} // namespace testing_support
