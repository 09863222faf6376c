// Page controls in memory for the option engine, as the real ones behave where the
// engine relies on it: a selection shows its entry's text, a sorted list keeps its
// entries in order, an up-down control writes its clamped position into its buddy.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "options/CommandLineComposer.h"
#include "options/OptionControls.h"
#include "options/OptionTable.h"

namespace fuzz {

class MemoryControls : public options::OptionControls {
public:
    MemoryControls(std::span<const options::OptionSpec> table, std::set<int> sortedLists = {})
        : sorted_(std::move(sortedLists))
    {
        for (const options::OptionSpec& option : table) {
            if (option.spinId != 0) {
                controls_[option.spinId].buddy = option.controlId;
            }
        }
    }

    std::wstring text(int id) const override { return at(id).text; }
    void setText(int id, const std::wstring& text) override { controls_[id].text = text; }
    bool isChecked(int id) const override { return at(id).checked; }
    void setChecked(int id, bool checked) override { controls_[id].checked = checked; }
    int selection(int id) const override { return at(id).selection; }
    void setSelection(int id, int index) override
    {
        Control& control = controls_[id];
        if (index < 0 || static_cast<size_t>(index) >= control.entries.size()) {
            control.selection = -1;
            control.text.clear();
            return;
        }
        control.selection = index;
        control.text = control.entries[static_cast<size_t>(index)];
    }
    void addEntry(int id, const std::wstring& text) override
    {
        Control& control = controls_[id];
        if (sorted_.count(id) != 0) {
            control.entries.insert(std::upper_bound(control.entries.begin(), control.entries.end(), text), text);
        } else {
            control.entries.push_back(text);
        }
    }
    bool isEnabled(int id) const override { return at(id).enabled; }
    void setEnabled(int id, bool enabled) override { controls_[id].enabled = enabled; }
    void setSpinRange(int id, int low, int high) override
    {
        controls_[id].low = low;
        controls_[id].high = high;
    }
    void setSpinPosition(int id, int position) override
    {
        Control& spin = controls_[id];
        spin.position = std::clamp(position, std::min(spin.low, spin.high), std::max(spin.low, spin.high));
        if (spin.buddy != 0) {
            controls_[spin.buddy].text = std::to_wstring(spin.position);
        }
    }

private:
    struct Control {
        std::wstring text;
        bool checked = false;
        int selection = -1;
        std::vector<std::wstring> entries;
        bool enabled = true;
        int low = 0;
        int high = 100;
        int position = 0;
        int buddy = 0;
    };
    const Control& at(int id) const
    {
        static const Control none;
        const auto found = controls_.find(id);
        return found == controls_.end() ? none : found->second;
    }

    std::map<int, Control> controls_;
    std::set<int> sorted_;
};

class MemoryBoxes : public options::CommandLineBoxes {
public:
    std::wstring additionalParameters() override { return additional; }
    void setAdditionalParameters(const std::wstring& text) override { additional = text; }
    void setGeneratedCommandLine(const std::wstring& text) override { generated = text; }

    std::wstring additional;
    std::wstring generated;
};

} // namespace fuzz
