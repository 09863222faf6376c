// The History button's popup: "&Revert to the default", then, when there is any
// history, a separator and the ten newest entries numbered 1 to 9 and 0.
#pragma once

#include <windows.h>

#include "settings/ParameterHistory.h"
#include "win/Handle.h"

namespace ui {

// The caller owns the menu (wrap it in win::UniqueMenu).
HMENU buildHistoryMenu(const settings::ParameterHistory& history);

// Shows the popup with its top-left corner at the button's top-left corner, owned
// by owner (which receives the chosen command as WM_COMMAND), and destroys it.
void trackHistoryMenu(const settings::ParameterHistory& history, HWND button, HWND owner);

} // namespace ui
