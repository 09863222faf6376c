// OptionControls over the child controls of a real dialog window. Until the window is
// attached they are held in memory (a page that has not been shown yet has no window);
// attaching gives the window everything set so far.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <span>

#include "options/MemoryOptionControls.h"
#include "options/OptionControls.h"

namespace options {

class DialogOptionControls : public OptionControls {
public:
    // table: the options whose controls these are; sortedLists: lists that sort.
    explicit DialogOptionControls(std::span<const OptionSpec> table, std::initializer_list<int> sortedLists = {})
        : memory_(table, {}, sortedLists)
    {
    }
    void attach(HWND dialog);
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

    MemoryOptionControls memory_;
    HWND dialog_ = nullptr;
};

} // namespace options
