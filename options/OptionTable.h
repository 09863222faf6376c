// The converter options of the Basic and Advanced pages as data: which control
// carries each option, its kind, range, default and list entries. One engine
// (OptionEngine.h) resets, generates and takes every option from this data.
#pragma once

#include <span>
#include <string_view>

namespace options {

enum class OptionKind {
    Number,     // digits field (with spin button) or editable list: name=value
    Choice,     // drop-down list of keywords: name=keyword
    FlagChoice, // drop-down list whose entries are options themselves
    Flag,       // check box: the name alone
    Text,       // check box enabling a text field: name=text (quoted when it holds blanks)
};

// One list entry: what is generated and read back, and the string-table text the
// list shows (0: the list shows the keyword itself).
struct OptionEntry {
    std::wstring_view keyword;
    unsigned int stringId = 0;
};

struct OptionSpec {
    OptionKind kind = OptionKind::Flag;
    std::wstring_view name;  // empty for FlagChoice
    int controlId = 0;       // edit field, list or check box that holds the value
    int checkId = 0;         // Text: the check box that enables the field
    int companionId = 0;     // Text: a further control enabled with the field (0: none)
    int spinId = 0;          // Number: its up-down control (0: none)
    int minimum = 0;         // Number: accepted range, both ends included
    int maximum = 0;
    int spinLow = 0;         // Number with spin: the spin range
    int spinHigh = 0;
    int defaultValue = 0;    // Number with spin: the default position
    int defaultIndex = -1;   // lists: the entry selected by a reset
    bool generateDefault = true; // Choice: false leaves the default entry out of the text
    std::span<const OptionEntry> entries;      // list entries in list order
    std::span<const std::wstring_view> overrides; // Text: options removed from earlier
                                                  // pages' text while the box is checked
};

// The Basic page (dialog 107): generation and reading order.
std::span<const OptionSpec> basicOptionTable();
// The Advanced page (dialog 108): generation and reading order, "--pdf" first.
std::span<const OptionSpec> advancedOptionTable();

} // namespace options
