// Driving a dialog's controls from another thread, as a user's clicks do.
#pragma once

#include <windows.h>

namespace testing_support {

// A click on a column header of the list control listId (the notification it sends).
void clickListColumn(HWND dialog, int listId, int column);

} // namespace testing_support
