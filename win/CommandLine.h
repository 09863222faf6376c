// Splitting a command line into words by the platform's rules.
#pragma once

#include <string>
#include <vector>

namespace win {

// Every word of the command line, the program's name first (CommandLineToArgvW).
std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine);

} // namespace win
