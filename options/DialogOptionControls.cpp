#include "options/DialogOptionControls.h"

#include <commctrl.h>

#include "win/Window.h"

namespace options {

void DialogOptionControls::attach(HWND dialog)
{
    dialog_ = dialog;
    if (dialog_ != nullptr) {
        memory_.copyTo(*this);
    }
}

std::wstring DialogOptionControls::text(int id) const
{
    if (dialog_ == nullptr) {
        return memory_.text(id);
    }
    return win::Window(item(id)).text();
}

void DialogOptionControls::setText(int id, const std::wstring& text)
{
    if (dialog_ == nullptr) {
        memory_.setText(id, text);
        return;
    }
    win::Window(item(id)).setText(text);
}

bool DialogOptionControls::isChecked(int id) const
{
    if (dialog_ == nullptr) {
        return memory_.isChecked(id);
    }
    return win::CheckBox(item(id)).isChecked();
}

void DialogOptionControls::setChecked(int id, bool checked)
{
    if (dialog_ == nullptr) {
        memory_.setChecked(id, checked);
        return;
    }
    win::CheckBox(item(id)).setChecked(checked);
}

int DialogOptionControls::selection(int id) const
{
    if (dialog_ == nullptr) {
        return memory_.selection(id);
    }
    const int index = win::ComboBox(item(id)).selection();
    return index < 0 ? -1 : index;
}

void DialogOptionControls::setSelection(int id, int index)
{
    if (dialog_ == nullptr) {
        memory_.setSelection(id, index);
        return;
    }
    win::ComboBox(item(id)).setSelection(index);
}

void DialogOptionControls::addEntry(int id, const std::wstring& text)
{
    if (dialog_ == nullptr) {
        memory_.addEntry(id, text);
        return;
    }
    win::ComboBox(item(id)).addString(text);
}

bool DialogOptionControls::isEnabled(int id) const
{
    if (dialog_ == nullptr) {
        return memory_.isEnabled(id);
    }
    return win::Window(item(id)).isEnabled();
}

void DialogOptionControls::setEnabled(int id, bool enabled)
{
    if (dialog_ == nullptr) {
        memory_.setEnabled(id, enabled);
        return;
    }
    win::Window(item(id)).enable(enabled);
}

void DialogOptionControls::setSpinRange(int id, int low, int high)
{
    if (dialog_ == nullptr) {
        memory_.setSpinRange(id, low, high);
        return;
    }
    win::UpDown(item(id)).setRange(low, high);
}

void DialogOptionControls::setSpinPosition(int id, int position)
{
    if (dialog_ == nullptr) {
        memory_.setSpinPosition(id, position);
        return;
    }
    win::UpDown(item(id)).setPosition(position);
}

} // namespace options
