// The rules of Number, Choice, FlagChoice, Flag and Text options, applied to any
// entry of the option table, and the page-level option sets of the Basic and
// Advanced pages built on them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "options/ArgumentProvider.h"
#include "options/OptionTable.h"

namespace options {

class ArgumentSet;
class OptionControls;

// Skips leading white space, reads an optional sign and the decimal digits up to
// the first other character; 0 without digits. Values beyond 32 bits saturate at
// the nearest 32-bit limit, which lies outside every option's range.
std::int32_t convertNumber(std::wstring_view text);

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

// The options of one page: its table applied to its controls. It is also the
// page's ArgumentProvider, so a settings page can hand every provider operation on.
class OptionPage : public ArgumentProvider {
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
    std::wstring generateArguments() override;
    // Removes from earlierText the options that a checked Text option overrides;
    // true when one of them is checked.
    bool suppressOverriddenOptions(std::wstring& earlierText) override;
    // Pages without file names give empty texts.
    std::wstring inputPathArgument() override { return std::wstring(); }
    std::wstring outputPathArgument() override { return std::wstring(); }
    // reset, take, then the enabling rule.
    void applyArguments(ArgumentSet& arguments) override;

private:
    std::span<const OptionSpec> table_;
    OptionControls& controls_;
};

// The nine options of the Basic page and its two file name boxes (1010 input,
// 1011 output), which give the file arguments in double quotes, as typed.
class BasicOptions : public OptionPage {
public:
    explicit BasicOptions(OptionControls& controls) : OptionPage(basicOptionTable(), controls) {}

    std::wstring inputPathArgument() override;
    std::wstring outputPathArgument() override;
};

// The Advanced page: "--pdf" first, the enabling rule of the "--bg-slices" and
// "--resourcedir" fields, and the "--bg-slices" override of the background quality.
class AdvancedOptions : public OptionPage {
public:
    explicit AdvancedOptions(OptionControls& controls) : OptionPage(advancedOptionTable(), controls) {}
};

// A path between double quotes, as the converter's file arguments are written.
std::wstring quotedPath(std::wstring_view path);

} // namespace options
