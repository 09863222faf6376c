// A page's option controls held in memory: the state of a page whose window does not
// exist yet. They behave like the real controls where the option engine relies on it:
// a list selection shows the entry's text, a sorted list keeps its entries in order, and
// an up-down control writes its (clamped) position into its buddy field as plain digits.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "options/OptionControls.h"
#include "options/OptionTable.h"

namespace options {

class MemoryOptionControls : public OptionControls {
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
        // What has been set, and is therefore given to the real control; a text and a
        // selection in the order they were set (1, 2, ...; 0: never).
        unsigned textSet = 0;
        unsigned selectionSet = 0;
        bool checkedSet = false;
        bool enabledSet = false;
        bool spinSet = false;
    };

    // Every control the table names, plus extra ids; sortedLists keep their entries sorted.
    MemoryOptionControls(std::span<const OptionSpec> table, std::initializer_list<int> extraIds = {},
        std::initializer_list<int> sortedLists = {});

    std::wstring text(int id) const override { return at(id).text; }
    void setText(int id, const std::wstring& text) override;
    bool isChecked(int id) const override { return at(id).checked; }
    void setChecked(int id, bool checked) override;
    int selection(int id) const override { return at(id).selection; }
    void setSelection(int id, int index) override;
    void addEntry(int id, const std::wstring& text) override;
    bool isEnabled(int id) const override { return at(id).enabled; }
    void setEnabled(int id, bool enabled) override;
    void setSpinRange(int id, int low, int high) override;
    void setSpinPosition(int id, int position) override;

    // Gives every control's state to real controls (entries, then spin ranges and
    // positions, then what was set of texts, selections, checks and enabling).
    void copyTo(OptionControls& target) const;

protected:
    // The control of an id; one the table (and the extra ids) did not name is made on
    // first use, after unknownControl has been told.
    Control& at(int id) const;
    virtual void unknownControl(int /*id*/) const {}

private:
    mutable std::map<int, Control> controls_;
    unsigned setCount_ = 0;
};

} // namespace options
