// Thin typed views of windows and common controls. They do not own the window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace win {

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    explicit operator bool() const { return hwnd_ != nullptr; }

    std::wstring text() const;
    void setText(const std::wstring& text) const { SetWindowTextW(hwnd_, text.c_str()); }
    bool isEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void enable(bool enabled) const { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    void show(int command) const { ShowWindow(hwnd_, command); }
    bool isVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageW(hwnd_, message, wParam, lParam);
    }
    // The window's rectangle in the client coordinates of its parent.
    RECT rectInParent() const;
    // Moves the window's edges by the given distances (in the parent's client coordinates).
    void moveEdges(int dLeft, int dTop, int dRight, int dBottom) const;

protected:
    HWND hwnd_ = nullptr;
};

class CheckBox : public Window {
public:
    using Window::Window;
    bool isChecked() const { return send(BM_GETCHECK) == BST_CHECKED; }
    void setChecked(bool checked) const { send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

class ComboBox : public Window {
public:
    using Window::Window;
    int addString(const std::wstring& text) const
    {
        return static_cast<int>(send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int selection() const { return static_cast<int>(send(CB_GETCURSEL)); } // CB_ERR (-1): none
    void setSelection(int index) const { send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    int count() const { return static_cast<int>(send(CB_GETCOUNT)); }
};

class UpDown : public Window {
public:
    using Window::Window;
    void setRange(int low, int high) const { send(UDM_SETRANGE32, static_cast<WPARAM>(low), high); }
    void setPosition(int position) const { send(UDM_SETPOS32, 0, position); }
    int position() const { return static_cast<int>(send(UDM_GETPOS32)); }
};

class Edit : public Window {
public:
    using Window::Window;
    void setReadOnly(bool readOnly) const { send(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
    bool isReadOnly() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0; }
};

class ProgressBar : public Window {
public:
    using Window::Window;
    // The 32-bit range: counts above 65535 do not wrap.
    void setRange(int high) const { send(PBM_SETRANGE32, 0, static_cast<LPARAM>(high)); }
    void setPosition(int position) const { send(PBM_SETPOS, static_cast<WPARAM>(position)); }
};

class Animation : public Window {
public:
    using Window::Window;
    // Opens the AVI resource of the module and plays it in a loop.
    void play(HINSTANCE module, int resourceId) const
    {
        send(ACM_OPENW, reinterpret_cast<WPARAM>(module), reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(resourceId)));
        send(ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    }
    // Stops and closes the clip.
    void close() const { send(ACM_OPENW, 0, 0); }
};

class IconStatic : public Window {
public:
    using Window::Window;
    void setIcon(HICON icon) const { send(STM_SETICON, reinterpret_cast<WPARAM>(icon)); }
};

} // namespace win
