// String-table texts and the message formatter for positional inserts (the portable
// parts are in MessageFormat.h and StringTable.h).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/MessageFormat.h"
#include "win/StringTable.h"

namespace win {

// The text of a string-table entry of the given module (nullptr: the executable) in the
// thread's interface language; empty when missing.
std::wstring loadString(UINT id, HINSTANCE module);

// Turns "Desc|*.ext|All|*.*" into the double-null-terminated list of the file dialogs.
std::wstring fileDialogFilter(std::wstring_view barSeparated);

} // namespace win
