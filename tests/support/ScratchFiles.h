// Scratch files and folders of the tests, in the temporary folder, removed when the
// object goes away.
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
// Creates or replaces the file with these bytes; false when it cannot be written.
bool writeFileBytes(const std::wstring& path, std::string_view bytes);

// A fresh folder (named after the process and a counter), removed with its files.
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring_view stem = L"korvello-test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Writes a file (a small PDF header unless content is given) and returns its path.
    std::wstring createFile(const std::wstring& name, std::string_view content = "%PDF-1.4\n") const;

private:
    std::wstring path_;
};

} // namespace testing_support
