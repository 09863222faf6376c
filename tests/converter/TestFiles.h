// Temporary files for the converter tests, removed when the object goes away.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace testing_support {

class TempFile {
public:
    explicit TempFile(std::wstring_view stem);
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    const std::wstring& path() const { return path_; }
    void write(std::string_view bytes) const;
    std::string read() const;

private:
    std::wstring path_;
};

std::string readFileBytes(const std::wstring& path);

} // namespace testing_support
