// Sizes for a window's resolution. The program is per-monitor DPI aware, so pixel sizes
// written for 96 dots per inch (list column widths, icon sizes) are scaled by the DPI of
// the window they are used in.
#pragma once

#include <windows.h>

namespace win {

inline constexpr UINT kDefaultDpi = 96;

// The window's DPI (GetDpiForWindow where the system has it, otherwise the screen's).
UINT windowDpi(HWND window);
// A length in pixels at 96 DPI, at the given DPI.
int scaleForDpi(int pixelsAt96, UINT dpi);
// A system metric (SM_CXSMICON, SM_CXICON, ...) at the given DPI.
int systemMetricForDpi(int index, UINT dpi);

} // namespace win
