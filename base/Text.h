// Conversions between wide text, UTF-8 and code-page text: the seam between the
// portable code and the platform. Wide text is UTF-16 on Windows; builds for other
// systems (the checker, the fuzz targets) hold one code point per wide character.
#pragma once

#include <string>
#include <string_view>

namespace base {

// The code page number of UTF-8.
inline constexpr unsigned int kUtf8CodePage = 65001;

std::wstring fromUtf8(std::string_view utf8);
std::string toUtf8(std::wstring_view text);

// Decodes bytes of the given code page without strict checking: invalid
// sequences get the platform's substitutions, as the converter's output may hold them.
std::wstring fromCodePage(unsigned int codePage, std::string_view bytes);
// The same into a reused buffer (replaced, not appended to).
void fromCodePageInto(unsigned int codePage, std::string_view bytes, std::wstring& result);

// The system's ANSI code page, in which console programs write (UTF-8 off Windows).
unsigned int ansiCodePage();

} // namespace base
