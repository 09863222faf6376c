// An owned registry key with the typed reads and writes the program needs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win {

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) {
            close();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    ~RegKey() { close(); }

    // RegCreateKeyExW: no class, non-volatile, KEY_READ | KEY_WRITE.
    static RegKey create(HKEY parent, const std::wstring& path);
    // RegOpenKeyExW with the given access.
    static RegKey open(HKEY parent, const std::wstring& path, REGSAM access = KEY_READ);

    HKEY get() const { return key_; }
    bool valid() const { return key_ != nullptr; }
    explicit operator bool() const { return valid(); }
    void close();

    // A REG_SZ or REG_EXPAND_SZ value (read unexpanded) that ends in a null character
    // and fits capacity characters including the terminator; the text up to its first
    // null. type, when given, receives which of the two it was.
    std::optional<std::wstring> readString(const wchar_t* name, size_t capacity, DWORD* type = nullptr) const;
    // A REG_DWORD value of exactly four bytes.
    std::optional<DWORD> readDword(const wchar_t* name) const;
    // The raw bytes and type of a value; nullopt when the query fails.
    struct RawValue {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    std::optional<RawValue> readRaw(const wchar_t* name) const;

    // REG_SZ/REG_EXPAND_SZ with the terminating null in the stored size.
    bool writeString(const wchar_t* name, std::wstring_view text, DWORD type = REG_SZ) const;
    bool writeDword(const wchar_t* name, DWORD value) const;
    bool writeBinary(const wchar_t* name, DWORD type, const void* data, DWORD size) const;

    // The names of the subkeys; empty when there are none or the key cannot be read.
    std::vector<std::wstring> subkeyNames() const;
    // Removes the subkey with everything below it; true when it is gone.
    bool deleteTree(const std::wstring& subkey) const;

private:
    explicit RegKey(HKEY key) : key_(key) {}
    HKEY key_ = nullptr;
};

} // namespace win
