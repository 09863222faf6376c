#include "options/DialogOptionControls.h"

#include <commctrl.h>

#include "win/Window.h"

namespace options {

void DialogOptionControls::attach(HWND dialog)
{
    window_.dialog = dialog;
    active_ = dialog != nullptr ? static_cast<OptionControls*>(&window_) : &memory_;
    if (dialog != nullptr) {
        memory_.copyTo(window_);
    }
}

std::wstring DialogOptionControls::WindowControls::text(int id) const
{
    return win::Window(item(id)).text();
}

void DialogOptionControls::WindowControls::setText(int id, const std::wstring& text)
{
    win::Window(item(id)).setText(text);
}

bool DialogOptionControls::WindowControls::isChecked(int id) const
{
    return win::CheckBox(item(id)).isChecked();
}

void DialogOptionControls::WindowControls::setChecked(int id, bool checked)
{
    win::CheckBox(item(id)).setChecked(checked);
}

int DialogOptionControls::WindowControls::selection(int id) const
{
    const int index = win::ComboBox(item(id)).selection();
    return index < 0 ? -1 : index;
}

void DialogOptionControls::WindowControls::setSelection(int id, int index)
{
    win::ComboBox(item(id)).setSelection(index);
}

void DialogOptionControls::WindowControls::addEntry(int id, const std::wstring& text)
{
    win::ComboBox(item(id)).addString(text);
}

bool DialogOptionControls::WindowControls::isEnabled(int id) const
{
    return win::Window(item(id)).isEnabled();
}

void DialogOptionControls::WindowControls::setEnabled(int id, bool enabled)
{
    win::Window(item(id)).enable(enabled);
}

void DialogOptionControls::WindowControls::setSpinRange(int id, int low, int high)
{
    win::UpDown(item(id)).setRange(low, high);
}

void DialogOptionControls::WindowControls::setSpinPosition(int id, int position)
{
    win::UpDown(item(id)).setPosition(position);
}

} // namespace options
