// The rules of Number, Choice, FlagChoice, Flag and Text options, applied to any
// entry of the option table, and the page-level option sets of the Basic and
// Advanced pages built on them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "options/OptionTable.h"

namespace options {

class ArgumentSet;
class OptionControls;

// Skips leading white space, reads an optional sign and the decimal digits up to
// the first other character; 0 without digits. Values beyond 32 bits saturate at
// the nearest 32-bit limit, which lies outside every option's range.
std::int32_t parseOptionNumber(std::wstring_view text);

// Appends item to text, with one space before it when text is not empty.
void appendArgument(std::wstring& text, std::wstring_view item);

// Adds the option's list entries (string-table texts or keywords) to its list.
void fillOptionEntries(const OptionSpec& option, OptionControls& controls);
// Puts the option's controls into their default state.
void resetOption(const OptionSpec& option, OptionControls& controls);
// Appends the option's generated form to text (nothing for a disabled control,
// an empty field, an out-of-range number or no selection).
void generateOption(const OptionSpec& option, const OptionControls& controls, std::wstring& text);
// Consumes the set's options that this option recognises and sets the controls from them.
void takeOption(const OptionSpec& option, ArgumentSet& arguments, OptionControls& controls);

// The options of one page: its table applied to its controls.
class OptionPage {
public:
    OptionPage(std::span<const OptionSpec> table, OptionControls& controls) : table_(table), controls_(controls) {}

    std::span<const OptionSpec> table() const { return table_; }
    OptionControls& controls() const { return controls_; }

    // Fills the lists with their entries (once, when the page is created).
    void fillLists();
    // Every option to its default, in table order.
    void reset();
    // Takes every option of the table, in table order, marking what it takes consumed.
    void take(ArgumentSet& arguments);
    // Fields of Text options are enabled exactly when their check boxes are checked.
    void applyEnablingRule();

    // The page's options text in table order.
    std::wstring generateArguments() const;
    // Removes from earlierText the options that a checked Text option overrides;
    // true when one of them is checked.
    bool suppressOverriddenOptions(std::wstring& earlierText) const;
    // reset, take, then the enabling rule.
    void applyArguments(ArgumentSet& arguments);

private:
    std::span<const OptionSpec> table_;
    OptionControls& controls_;
};

// The nine options of the Basic page.
class BasicOptions : public OptionPage {
public:
    explicit BasicOptions(OptionControls& controls) : OptionPage(basicOptionTable(), controls) {}
};

// The Advanced page: "--pdf" first, the enabling rule of the "--bg-slices" and
// "--resourcedir" fields, and the "--bg-slices" override of the background quality.
class AdvancedOptions : public OptionPage {
public:
    explicit AdvancedOptions(OptionControls& controls) : OptionPage(advancedOptionTable(), controls) {}
};


} // namespace options
