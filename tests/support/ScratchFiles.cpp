#include "support/ScratchFiles.h"

#include <shellapi.h>

#include <atomic>

#include "win/Handle.h"

namespace testing_support {

namespace {
std::atomic<unsigned> gCounter{ 0 };
}

TempFile::TempFile(std::wstring_view stem)
{
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, directory);
    path_ = std::wstring(directory) + L"korvello_test_" + std::wstring(stem) + L"_"
        + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++gCounter) + L".txt";
    DeleteFileW(path_.c_str());
}

TempFile::~TempFile() { DeleteFileW(path_.c_str()); }

void TempFile::write(std::string_view bytes) const { writeFileBytes(path_, bytes); }

std::string TempFile::read() const { return readFileBytes(path_); }

ScratchFolder::ScratchFolder(std::wstring_view stem)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + std::to_wstring(++gCounter);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    std::wstring from = path_;
    from.push_back(L'\0'); // a double-null-terminated list
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

std::wstring ScratchFolder::createFile(const std::wstring& name, std::string_view content) const
{
    const std::wstring target = file(name);
    writeFileBytes(target, content);
    return target;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes)
{
    const win::UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file
        && (bytes.empty()
            || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
                && written == bytes.size()));
}

std::string readFileBytes(const std::wstring& path)
{
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

} // namespace testing_support
