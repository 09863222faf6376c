#include "ToolHost.h"

#include <windows.h>

std::unique_ptr<ToolHost> makeWineRelayHost(const std::wstring& workFolder, const std::wstring& leftovers);
std::unique_ptr<ToolHost> makeWindowsToolHost();

namespace {

// Wine's ntdll exports its version; Windows' does not.
bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

std::unique_ptr<ToolHost> makeToolHost(const std::wstring& workFolder, const std::wstring& leftovers)
{
    // KORVELLO_TOOL_HOST=windows runs the Windows builds under Wine too (for trying them).
    wchar_t choice[16] = {};
    GetEnvironmentVariableW(L"KORVELLO_TOOL_HOST", choice, 16);
    if (runningUnderWine() && std::wstring(choice) != L"windows") {
        if (auto host = makeWineRelayHost(workFolder, leftovers)) {
            return host;
        }
    }
    return makeWindowsToolHost();
}

namespace {

std::string encode(UINT codePage, const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

} // namespace

std::string toUtf8(const std::wstring& text)
{
    return encode(CP_UTF8, text);
}

std::string toAnsi(const std::wstring& text)
{
    return encode(CP_ACP, text);
}

std::string readWholeFile(const std::wstring& path)
{
    std::string content;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return content;
    }
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

bool writeWholeFile(const std::wstring& path, const std::string& content)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr)
        && written == content.size();
    CloseHandle(file);
    return ok;
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
