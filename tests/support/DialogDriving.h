// Driving a dialog's controls from another thread, as a user's clicks do.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// A click on a column header of the list control listId (the notification it sends).
void clickListColumn(HWND dialog, int listId, int column);

// The text of a cell of a list control of this process (up to 511 characters).
std::wstring listCellText(HWND list, int row, int column);

} // namespace testing_support
