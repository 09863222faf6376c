// Message boxes with string-table texts, titled with the application title.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "base/StringTable.h"

namespace win {

// The string-table id of the application title, the caption of every message box.
inline constexpr UINT kAppTitleStringId = 200;

// Loads string stringId, fills in its positional inserts and shows it in a message
// box with the given owner and style, titled with the application title (string 200).
// Returns MessageBoxW's result.
int showErrorMessage(HWND owner, UINT style, UINT stringId, std::initializer_list<base::MessageArg> inserts = {});

// The same with a text that is already formatted.
int showMessageText(HWND owner, UINT style, const std::wstring& text);

} // namespace win
