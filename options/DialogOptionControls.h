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
    DialogOptionControls(const DialogOptionControls&) = delete;
    DialogOptionControls& operator=(const DialogOptionControls&) = delete;

    void attach(HWND dialog);
    HWND dialog() const { return window_.dialog; }

    std::wstring text(int id) const override { return active_->text(id); }
    void setText(int id, const std::wstring& text) override { active_->setText(id, text); }
    bool isChecked(int id) const override { return active_->isChecked(id); }
    void setChecked(int id, bool checked) override { active_->setChecked(id, checked); }
    int selection(int id) const override { return active_->selection(id); }
    void setSelection(int id, int index) override { active_->setSelection(id, index); }
    void addEntry(int id, const std::wstring& text) override { active_->addEntry(id, text); }
    bool isEnabled(int id) const override { return active_->isEnabled(id); }
    void setEnabled(int id, bool enabled) override { active_->setEnabled(id, enabled); }
    void setSpinRange(int id, int low, int high) override { active_->setSpinRange(id, low, high); }
    void setSpinPosition(int id, int position) override { active_->setSpinPosition(id, position); }

private:
    // The controls of the attached window.
    struct WindowControls : OptionControls {
        HWND item(int id) const { return GetDlgItem(dialog, id); }

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

        HWND dialog = nullptr;
    };

    MemoryOptionControls memory_;
    WindowControls window_;
    OptionControls* active_ = &memory_; // the memory until a window is attached
};

} // namespace options
