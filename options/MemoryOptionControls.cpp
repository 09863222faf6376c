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
    Control& control = at(id);
    control.text = text;
    control.textSet = ++setCount_;
}

void MemoryOptionControls::setChecked(int id, bool checked)
{
    Control& control = at(id);
    control.checked = checked;
    control.checkedSet = true;
}

void MemoryOptionControls::setSelection(int id, int index)
{
    Control& control = at(id);
    control.selectionSet = ++setCount_;
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
    Control& control = at(id);
    control.enabled = enabled;
    control.enabledSet = true;
}

void MemoryOptionControls::setSpinRange(int id, int low, int high)
{
    Control& control = at(id);
    control.spinLow = low;
    control.spinHigh = high;
    control.spinSet = true;
}

void MemoryOptionControls::setSpinPosition(int id, int position)
{
    Control& spin = at(id);
    spin.spinPosition =
        std::clamp(position, std::min(spin.spinLow, spin.spinHigh), std::max(spin.spinLow, spin.spinHigh));
    spin.spinSet = true;
    if (spin.buddy != 0) {
        at(spin.buddy).text = std::to_wstring(spin.spinPosition);
    }
}

void MemoryOptionControls::copyTo(OptionControls& target) const
{
    for (const auto& [id, control] : controls_) {
        for (const std::wstring& entry : control.entries) {
            target.addEntry(id, entry);
        }
        if (control.spinSet) {
            target.setSpinRange(id, control.spinLow, control.spinHigh);
            target.setSpinPosition(id, control.spinPosition);
        }
    }
    // Texts after the spins, which write their buddies: a text set later stands.
    for (const auto& [id, control] : controls_) {
        // A text set after the selection (the edit part of a list that can be typed in)
        // stands over it.
        if (control.selectionSet != 0 && control.selectionSet > control.textSet) {
            target.setSelection(id, control.selection);
        } else if (control.textSet != 0) {
            if (control.selectionSet != 0) {
                target.setSelection(id, control.selection);
            }
            target.setText(id, control.text);
        }
        if (control.checkedSet) {
            target.setChecked(id, control.checked);
        }
        if (control.enabledSet) {
            target.setEnabled(id, control.enabled);
        }
    }
}

} // namespace options
