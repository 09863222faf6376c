#include "win/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

namespace win {

std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine)
{
    std::vector<std::wstring> words;
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(commandLine.c_str(), &count);
    if (values == nullptr) {
        return words;
    }
    for (int i = 0; i < count; ++i) {
        words.emplace_back(values[i]);
    }
    LocalFree(values);
    return words;
}

} // namespace win
