#include "ToolHost.h"

#include <windows.h>

std::unique_ptr<ToolHost> makeWineRelayHost(const std::wstring& workFolder);
std::unique_ptr<ToolHost> makeWindowsToolHost();

namespace {

// Wine's ntdll exports its version; Windows' does not.
bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

std::unique_ptr<ToolHost> makeToolHost(const std::wstring& workFolder)
{
    // KORVELLO_TOOL_HOST=windows runs the Windows builds under Wine too (for trying them).
    wchar_t choice[16] = {};
    GetEnvironmentVariableW(L"KORVELLO_TOOL_HOST", choice, 16);
    if (runningUnderWine() && std::wstring(choice) != L"windows") {
        if (auto host = makeWineRelayHost(workFolder)) {
            return host;
        }
    }
    return makeWindowsToolHost();
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}
