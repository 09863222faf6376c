// Helpers of the progress tests: the stand-in converter beside the test program,
// scripts in the temporary folder, kill-event names and the stand-in's report file.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "converter/ConverterContract.h"
#include "support/ScratchFiles.h"
#include "win/Module.h"

namespace progress_test {

inline std::wstring testDirectory()
{
    std::wstring path = win::modulePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline std::wstring standInPath() { return testDirectory() + L"korvello.exe"; }

inline std::wstring temporaryDirectory()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

inline std::wstring uniqueSuffix()
{
    static std::atomic<int> counter{0};
    return std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
}

inline std::wstring uniqueKillEventName()
{
    static std::atomic<unsigned> counter{0};
    return converter::killEventName((static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) | ++counter);
}

// Writes the UTF-8 script into a fresh temporary file and returns its path.
inline std::wstring writeScript(const std::string& utf8)
{
    const std::wstring path = temporaryDirectory() + L"standin_" + uniqueSuffix() + L".txt";
    testing_support::writeFileBytes(path, utf8);
    return path;
}

using testing_support::readFileBytes;

// Counts the lines of the stand-in's report that begin with the given record name.
inline int countReportRecords(const std::wstring& reportPath, const std::string& record)
{
    const std::string bytes = readFileBytes(reportPath);
    int count = 0;
    size_t position = 0;
    while (position < bytes.size()) {
        size_t end = bytes.find('\n', position);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        if (bytes.compare(position, record.size(), record) == 0) {
            ++count;
        }
        position = end + 1;
    }
    return count;
}

// A converter command line as the run driver makes it, for the stand-in with a script.
inline std::wstring standInCommandLine(const std::wstring& killEventName, const std::wstring& scriptPath,
    const std::wstring& outputPath)
{
    return L"\"" + standInPath() + L"\" --killevent=" + killEventName + L" --standin-script=" + scriptPath
        + L" \"input.pdf\" \"" + outputPath + L"\"";
}

// Sets KORVELLO_STANDIN_REPORT for the children of this process while it lives.
class ScopedReport {
public:
    ScopedReport() : path_(temporaryDirectory() + L"standin_report_" + uniqueSuffix() + L".txt")
    {
        DeleteFileW(path_.c_str());
        SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", path_.c_str());
    }
    ~ScopedReport()
    {
        SetEnvironmentVariableW(L"KORVELLO_STANDIN_REPORT", nullptr);
        DeleteFileW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    int count(const std::string& record) const { return countReportRecords(path_, record); }

private:
    std::wstring path_;
};

// Polls a condition every 5 ms for at most timeoutMs; true when it held.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs = 15000)
{
    const ULONGLONG start = GetTickCount64();
    while (!condition()) {
        if (GetTickCount64() - start > timeoutMs) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

} // namespace progress_test
