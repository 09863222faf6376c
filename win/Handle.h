// Owning wrappers for kernel handles, registry keys and menus. Not copyable.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// A kernel handle; both NULL and INVALID_HANDLE_VALUE count as "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    HANDLE release() { return std::exchange(handle_, nullptr); }
    void reset(HANDLE handle = nullptr)
    {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }
    // For APIs that fill in a handle: closes the current one first.
    HANDLE* put()
    {
        reset();
        return &handle_;
    }

private:
    HANDLE handle_ = nullptr;
};

class UniqueMenu {
public:
    explicit UniqueMenu(HMENU menu = nullptr) : menu_(menu) {}
    UniqueMenu(const UniqueMenu&) = delete;
    UniqueMenu& operator=(const UniqueMenu&) = delete;
    ~UniqueMenu()
    {
        if (menu_ != nullptr) {
            DestroyMenu(menu_);
        }
    }
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

// A module loaded with LoadLibraryW, released with FreeLibrary.
class UniqueLibrary {
public:
    explicit UniqueLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    UniqueLibrary(const UniqueLibrary&) = delete;
    UniqueLibrary& operator=(const UniqueLibrary&) = delete;
    ~UniqueLibrary()
    {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

// An icon made with LoadImageW (not a shared one), destroyed with DestroyIcon.
class UniqueIcon {
public:
    explicit UniqueIcon(HICON icon = nullptr) : icon_(icon) {}
    UniqueIcon(const UniqueIcon&) = delete;
    UniqueIcon& operator=(const UniqueIcon&) = delete;
    ~UniqueIcon() { reset(); }
    HICON get() const { return icon_; }
    void reset(HICON icon = nullptr)
    {
        if (icon_ != nullptr) {
            DestroyIcon(icon_);
        }
        icon_ = icon;
    }

private:
    HICON icon_;
};

} // namespace win
