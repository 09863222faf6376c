// OptionControls over the child controls of a real dialog window.
#pragma once

#include <windows.h>

#include "options/OptionControls.h"

namespace ui {

class DialogOptionControls : public options::OptionControls {
public:
    explicit DialogOptionControls(HWND dialog = nullptr) : dialog_(dialog) {}
    void attach(HWND dialog) { dialog_ = dialog; }
    HWND dialog() const { return dialog_; }

    std::wstring text(int id) const override;
    void setText(int id, const std::wstring& text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    int selection(int id) const override;
    void setSelection(int id, int index) override;
    void addEntry(int id, const std::wstring& text) override;
    bool isEnabled(int id) const override;
    void setEnabled(int id, bool enabled) override;
    void setSpinRange(int id, int low, int high) override;
    void setSpinPosition(int id, int position) override;

private:
    HWND item(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_ = nullptr;
};

} // namespace ui
