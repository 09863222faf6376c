// String-table texts and the message formatter for positional inserts (the portable
// parts are in MessageFormat.h and StringTable.h).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/MessageFormat.h"
#include "win/StringTable.h"

namespace win {

// Turns "Desc|*.ext|All|*.*" into the double-null-terminated list of the file dialogs.
std::wstring fileDialogFilter(std::wstring_view barSeparated);

} // namespace win
