#include "ui/DialogOptionControls.h"

#include <commctrl.h>

#include "win/Window.h"

namespace ui {

std::wstring DialogOptionControls::text(int id) const
{
    return win::Window(item(id)).text();
}

void DialogOptionControls::setText(int id, const std::wstring& text)
{
    win::Window(item(id)).setText(text);
}

bool DialogOptionControls::isChecked(int id) const
{
    return win::CheckBox(item(id)).isChecked();
}

void DialogOptionControls::setChecked(int id, bool checked)
{
    win::CheckBox(item(id)).setChecked(checked);
}

int DialogOptionControls::selection(int id) const
{
    const int index = win::ComboBox(item(id)).selection();
    return index < 0 ? -1 : index;
}

void DialogOptionControls::setSelection(int id, int index)
{
    win::ComboBox(item(id)).setSelection(index);
}

void DialogOptionControls::addEntry(int id, const std::wstring& text)
{
    win::ComboBox(item(id)).addString(text);
}

bool DialogOptionControls::isEnabled(int id) const
{
    return win::Window(item(id)).isEnabled();
}

void DialogOptionControls::setEnabled(int id, bool enabled)
{
    win::Window(item(id)).enable(enabled);
}

void DialogOptionControls::setSpinRange(int id, int low, int high)
{
    win::UpDown(item(id)).setRange(low, high);
}

void DialogOptionControls::setSpinPosition(int id, int position)
{
    win::UpDown(item(id)).setPosition(position);
}

} // namespace ui
