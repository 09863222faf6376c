#include "converter/ConverterContract.h"

#include <cwchar>

namespace converter {

std::wstring killEventName(std::uint64_t counter)
{
    wchar_t digits[17] = {};
    swprintf(digits, 17, L"%llx", static_cast<unsigned long long>(counter));
    return std::wstring(kKillEventPrefix) + digits;
}

std::wstring newKillEventName()
{
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return killEventName(static_cast<std::uint64_t>(counter.QuadPart));
}

std::wstring converterCommandLine(const std::wstring& frontEndPath, const std::wstring& killEventName,
    const std::wstring& parameterText)
{
    const size_t separator = frontEndPath.find_last_of(L"\\/");
    const std::wstring directory = separator == std::wstring::npos ? std::wstring() : frontEndPath.substr(0, separator + 1);
    std::wstring commandLine = L"\"";
    commandLine += directory;
    commandLine += kExecutableName;
    commandLine += L"\" ";
    commandLine += kKillEventOption;
    commandLine += killEventName;
    commandLine += L' ';
    commandLine += parameterText;
    return commandLine;
}

} // namespace converter
