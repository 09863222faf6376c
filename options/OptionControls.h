// The narrow view of a page's controls through which the option engine works,
// addressed by control id. Implemented over a real dialog (DialogOptionControls)
// and, in tests, in memory.
#pragma once

#include <string>

namespace options {

class OptionControls {
public:
    virtual ~OptionControls() = default;

    // Window text of an edit field, of an editable list's edit part, or the shown
    // text of a drop-down list's selected entry.
    virtual std::wstring text(int id) const = 0;
    virtual void setText(int id, const std::wstring& text) = 0;

    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;

    // Selected list entry, -1 for none; setSelection(-1) clears the selection.
    virtual int selection(int id) const = 0;
    virtual void setSelection(int id, int index) = 0;
    // Appends an entry to a list (a sorted list places it in order).
    virtual void addEntry(int id, const std::wstring& text) = 0;

    virtual bool isEnabled(int id) const = 0;
    virtual void setEnabled(int id, bool enabled) = 0;

    // Up-down controls; setting the position also writes it into the buddy field
    // as plain digits.
    virtual void setSpinRange(int id, int low, int high) = 0;
    virtual void setSpinPosition(int id, int position) = 0;
};

} // namespace options
