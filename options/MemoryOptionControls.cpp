#include "options/MemoryOptionControls.h"

#include <algorithm>

namespace options {

MemoryOptionControls::MemoryOptionControls(std::span<const OptionSpec> table, std::initializer_list<int> extraIds,
    std::initializer_list<int> sortedLists)
{
    for (const OptionSpec& option : table) {
        controls_[option.controlId];
        if (option.checkId != 0) {
            controls_[option.checkId];
        }
        if (option.companionId != 0) {
            controls_[option.companionId];
        }
        if (option.spinId != 0) {
            controls_[option.spinId].buddy = option.controlId;
        }
    }
    for (const int id : extraIds) {
        controls_[id];
    }
    for (const int id : sortedLists) {
        controls_[id].sorted = true;
    }
}

MemoryOptionControls::Control& MemoryOptionControls::at(int id) const
{
    const auto found = controls_.find(id);
    if (found != controls_.end()) {
        return found->second;
    }
    unknownControl(id);
    return controls_[id];
}

void MemoryOptionControls::setText(int id, const std::wstring& text)
{
    at(id).text = text;
}

void MemoryOptionControls::setChecked(int id, bool checked)
{
    at(id).checked = checked;
}

void MemoryOptionControls::setSelection(int id, int index)
{
    Control& control = at(id);
    if (index < 0 || static_cast<size_t>(index) >= control.entries.size()) {
        control.selection = -1;
        control.text.clear();
        return;
    }
    control.selection = index;
    control.text = control.entries[static_cast<size_t>(index)];
}

void MemoryOptionControls::addEntry(int id, const std::wstring& text)
{
    Control& control = at(id);
    if (control.sorted) {
        control.entries.insert(std::upper_bound(control.entries.begin(), control.entries.end(), text), text);
    } else {
        control.entries.push_back(text);
    }
}

void MemoryOptionControls::setEnabled(int id, bool enabled)
{
    at(id).enabled = enabled;
}

void MemoryOptionControls::setSpinRange(int id, int low, int high)
{
    Control& control = at(id);
    control.spinLow = low;
    control.spinHigh = high;
}

void MemoryOptionControls::setSpinPosition(int id, int position)
{
    Control& spin = at(id);
    spin.spinPosition =
        std::clamp(position, std::min(spin.spinLow, spin.spinHigh), std::max(spin.spinLow, spin.spinHigh));
    if (spin.buddy != 0) {
        at(spin.buddy).text = std::to_wstring(spin.spinPosition);
    }
}

} // namespace options
