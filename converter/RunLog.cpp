#include "converter/RunLog.h"

namespace converter {

win::UniqueHandle createRunLog(const std::wstring& logPath, DWORD& error)
{
    error = 0;
    if (logPath.empty()) {
        return win::UniqueHandle();
    }
    HANDLE file = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return win::UniqueHandle();
    }
    return win::UniqueHandle(file);
}

} // namespace converter
