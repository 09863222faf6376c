// A page's option controls held in memory, for the option engine without a window (the
// tests and the fuzz target). They behave like the real controls where the engine relies
// on it: a list selection shows the entry's text, a sorted list keeps its entries in
// order, and an up-down control writes its (clamped) position into its buddy field as
// plain digits.
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

protected:
    // The control of an id; one the table (and the extra ids) did not name is made on
    // first use, after unknownControl has been told.
    Control& at(int id) const;
    virtual void unknownControl(int /*id*/) const {}

private:
    mutable std::map<int, Control> controls_;
};

} // namespace options
