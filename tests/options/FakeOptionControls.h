// In-memory stand-ins for a page's controls and the Miscellaneous page's boxes.
// They behave like the real controls where the option engine relies on it: a list
// selection shows the entry's text, a sorted list keeps its entries in order, and an
// up-down control writes its (clamped) position into its buddy field as plain digits.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "options/CommandLineComposer.h"
#include "options/OptionControls.h"
#include "options/OptionEngine.h"

namespace test_options {

class FakeOptionControls : public options::OptionControls {
public:
    struct Control {
        std::wstring text;
        bool checked = false;
        int selection = -1;
        std::vector<std::wstring> entries;
        bool sorted = false;
        bool enabled = true;
        int spinLow = 0;
        int spinHigh = 100;
        int spinPosition = 0;
        int buddy = 0; // up-down: the field it writes into
    };

    // Every control the table names, plus extra ids (file boxes, buttons).
    FakeOptionControls(std::span<const options::OptionSpec> table, std::initializer_list<int> extraIds,
        std::initializer_list<int> sortedLists = {})
    {
        for (const options::OptionSpec& option : table) {
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
            controls_.at(id).sorted = true;
        }
    }

    Control& at(int id)
    {
        const auto found = controls_.find(id);
        if (found == controls_.end()) {
            ADD_FAILURE() << "no control " << id;
            return scratch_;
        }
        return found->second;
    }
    const Control& at(int id) const { return const_cast<FakeOptionControls*>(this)->at(id); }

    std::wstring text(int id) const override { return at(id).text; }
    void setText(int id, const std::wstring& text) override { at(id).text = text; }
    bool isChecked(int id) const override { return at(id).checked; }
    void setChecked(int id, bool checked) override { at(id).checked = checked; }
    int selection(int id) const override { return at(id).selection; }
    void setSelection(int id, int index) override
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
    void addEntry(int id, const std::wstring& text) override
    {
        Control& control = at(id);
        if (control.sorted) {
            control.entries.insert(std::upper_bound(control.entries.begin(), control.entries.end(), text), text);
        } else {
            control.entries.push_back(text);
        }
    }
    bool isEnabled(int id) const override { return at(id).enabled; }
    void setEnabled(int id, bool enabled) override { at(id).enabled = enabled; }
    void setSpinRange(int id, int low, int high) override
    {
        at(id).spinLow = low;
        at(id).spinHigh = high;
    }
    void setSpinPosition(int id, int position) override
    {
        Control& spin = at(id);
        spin.spinPosition = std::clamp(position, std::min(spin.spinLow, spin.spinHigh),
            std::max(spin.spinLow, spin.spinHigh));
        if (spin.buddy != 0) {
            at(spin.buddy).text = std::to_wstring(spin.spinPosition);
        }
    }

    // One click on the up (delta 1) or down (delta -1) arrow: the position comes from
    // the buddy's number, then moves by delta within the range.
    void spin(int id, int delta)
    {
        Control& spin = at(id);
        const std::wstring buddyText = at(spin.buddy).text;
        const bool numeric = !buddyText.empty()
            && std::all_of(buddyText.begin(), buddyText.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
        const int current = numeric ? options::convertNumber(buddyText) : spin.spinPosition;
        setSpinPosition(id, current + delta);
    }

private:
    std::map<int, Control> controls_;
    Control scratch_;
};

class FakeCommandLineBoxes : public options::CommandLineBoxes {
public:
    std::wstring additionalParameters() override { return additional; }
    void setAdditionalParameters(const std::wstring& text) override { additional = text; }
    void setGeneratedCommandLine(const std::wstring& text) override { generated = text; }

    std::wstring additional;
    std::wstring generated;
};

} // namespace test_options
