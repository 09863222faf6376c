// Conversions between UTF-16, UTF-8 and code-page text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win {

std::wstring fromUtf8(std::string_view utf8);
std::string toUtf8(std::wstring_view text);

// Decodes bytes of the given code page without strict checking: invalid
// sequences get the platform's substitutions, as the converter's output may hold them.
std::wstring fromCodePage(UINT codePage, std::string_view bytes);

} // namespace win
