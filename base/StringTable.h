// The program's string table, in the interface language, and the system's error texts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/MessageFormat.h"

namespace base {

// The text of a string-table entry in the thread's interface language; empty when missing.
std::wstring loadString(unsigned int id);

// loadString(id) formatted with the inserts.
std::wstring formatString(unsigned int id, std::initializer_list<MessageArg> args = {});

// The system's message text for an OS error code in the user's default language;
// code 0 stands for the calling thread's last error. Trailing line breaks removed.
std::wstring formatOsErrorText(unsigned long code);

#ifndef _WIN32
// Without the platform's resources the texts come from a table compiled from the
// resource scripts: the language is chosen here ("en" or "ja"; English by default).
// False for a language the table does not have.
bool selectStringLanguage(std::string_view tag);
#endif

} // namespace base
