#include "options/OptionEngine.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "options/ArgumentQuoting.h"
#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "options/OptionControls.h"
#include "res/resource.h"
#include "base/StringTable.h"
#include "base/TextHelpers.h"

namespace options {

namespace {

bool inRange(const OptionSpec& option, std::int32_t value)
{
    return value >= option.minimum && value <= option.maximum;
}

bool validIndex(const OptionSpec& option, int index)
{
    return index >= 0 && static_cast<size_t>(index) < option.entries.size();
}

// The text after "name=" when the argument begins with it.
bool valueAfterName(const OptionSpec& option, std::wstring_view argument, std::wstring_view& value)
{
    if (argument.size() <= option.name.size() || !argument.starts_with(option.name)
        || argument[option.name.size()] != L'=') {
        return false;
    }
    value = argument.substr(option.name.size() + 1);
    return true;
}

void appendNamed(std::wstring& text, std::wstring_view name, std::wstring_view value)
{
    std::wstring item(name);
    item.push_back(L'=');
    item += value;
    appendArgument(text, item);
}

} // namespace

std::int32_t parseOptionNumber(std::wstring_view text)
{
    return base::saturatingInt32(text);
}

void appendArgument(std::wstring& text, std::wstring_view item)
{
    if (!text.empty()) {
        text.push_back(L' ');
    }
    text += item;
}

void fillOptionEntries(const OptionSpec& option, OptionControls& controls)
{
    for (const OptionEntry& entry : option.entries) {
        controls.addEntry(option.controlId, entry.stringId != 0 ? base::loadString(entry.stringId)
                                                                : std::wstring(entry.keyword));
    }
}

void resetOption(const OptionSpec& option, OptionControls& controls)
{
    switch (option.kind) {
    case OptionKind::Number:
        if (option.spinId != 0) {
            // The spin button writes its position into the field.
            controls.setSpinRange(option.spinId, option.spinLow, option.spinHigh);
            controls.setSpinPosition(option.spinId, option.defaultValue);
        } else if (validIndex(option, option.defaultIndex)) {
            controls.setSelection(option.controlId, option.defaultIndex);
        } else {
            controls.setText(option.controlId, std::to_wstring(option.defaultValue));
        }
        break;
    case OptionKind::Choice:
    case OptionKind::FlagChoice:
        controls.setSelection(option.controlId, option.defaultIndex);
        break;
    case OptionKind::Flag:
        controls.setChecked(option.controlId, false);
        break;
    case OptionKind::Text:
        // The field keeps its text; only the check mark goes.
        controls.setChecked(option.checkId, false);
        break;
    }
}

void generateOption(const OptionSpec& option, const OptionControls& controls, std::wstring& text)
{
    if (!controls.isEnabled(option.controlId)) {
        return;
    }
    switch (option.kind) {
    case OptionKind::Number: {
        const std::wstring field = controls.text(option.controlId);
        if (field.empty()) {
            return;
        }
        const std::int32_t value = parseOptionNumber(field);
        if (inRange(option, value)) {
            appendNamed(text, option.name, std::to_wstring(value));
        }
        return;
    }
    case OptionKind::Choice:
    case OptionKind::FlagChoice: {
        const int index = controls.selection(option.controlId);
        if (!validIndex(option, index) || (!option.generateDefault && index == option.defaultIndex)) {
            return;
        }
        const std::wstring_view keyword = option.entries[static_cast<size_t>(index)].keyword;
        if (option.kind == OptionKind::Choice) {
            appendNamed(text, option.name, keyword);
        } else {
            appendArgument(text, keyword);
        }
        return;
    }
    case OptionKind::Flag:
        if (controls.isChecked(option.controlId)) {
            appendArgument(text, option.name);
        }
        return;
    case OptionKind::Text: {
        const std::wstring field = controls.text(option.controlId);
        if (field.empty()) {
            return;
        }
        // Quoted by the platform's rules when it holds a blank or a quote, so that a
        // folder "C:\My Fonts\" keeps its last backslash and the arguments after it.
        if (field.find_first_of(L" \t\"") != std::wstring::npos) {
            appendNamed(text, option.name, quotedArgument(field));
        } else {
            appendNamed(text, option.name, field);
        }
        return;
    }
    }
}

void takeOption(const OptionSpec& option, ArgumentSet& arguments, OptionControls& controls)
{
    const std::vector<std::wstring>& all = arguments.options();
    bool matched = false;
    std::wstring lastText;
    for (size_t i = 0; i < all.size(); ++i) {
        const std::wstring& argument = all[i];
        std::wstring_view value;
        switch (option.kind) {
        case OptionKind::Number:
            if (valueAfterName(option, argument, value)) {
                arguments.markConsumed(i);
                // In range: the text exactly as written, not the converted number.
                if (inRange(option, parseOptionNumber(value))) {
                    controls.setText(option.controlId, std::wstring(value));
                }
            }
            break;
        case OptionKind::Choice:
            if (valueAfterName(option, argument, value)) {
                arguments.markConsumed(i);
                for (size_t e = 0; e < option.entries.size(); ++e) {
                    if (option.entries[e].keyword == value) {
                        controls.setSelection(option.controlId, static_cast<int>(e));
                        break;
                    }
                }
            }
            break;
        case OptionKind::FlagChoice:
            for (size_t e = 0; e < option.entries.size(); ++e) {
                if (option.entries[e].keyword == argument) {
                    arguments.markConsumed(i);
                    controls.setSelection(option.controlId, static_cast<int>(e));
                    break;
                }
            }
            break;
        case OptionKind::Flag:
            // Only the first equal option; a repetition stays for the additional parameters.
            if (argument == option.name) {
                arguments.markConsumed(i);
                controls.setChecked(option.controlId, true);
                return;
            }
            break;
        case OptionKind::Text:
            if (valueAfterName(option, argument, value)) {
                arguments.markConsumed(i);
                // A quoted value loses its quotes and escapes by the platform's rules;
                // a quote never closed (the text ended inside it) loses only itself,
                // so no character the user typed is dropped.
                lastText = unquotedArgument(value);
                controls.setText(option.controlId, lastText);
                matched = true;
            }
            break;
        }
    }
    if (option.kind == OptionKind::Text && matched && !lastText.empty()) {
        controls.setChecked(option.checkId, true);
    }
}

void OptionPage::fillLists()
{
    for (const OptionSpec& option : table_) {
        fillOptionEntries(option, controls_);
    }
}

void OptionPage::reset()
{
    for (const OptionSpec& option : table_) {
        resetOption(option, controls_);
    }
}

std::wstring OptionPage::generateArguments() const
{
    std::wstring text;
    for (const OptionSpec& option : table_) {
        generateOption(option, controls_, text);
    }
    return text;
}

void OptionPage::take(ArgumentSet& arguments)
{
    for (const OptionSpec& option : table_) {
        takeOption(option, arguments, controls_);
    }
}

void OptionPage::applyEnablingRule()
{
    for (const OptionSpec& option : table_) {
        if (option.kind != OptionKind::Text) {
            continue;
        }
        const bool checked = controls_.isChecked(option.checkId);
        controls_.setEnabled(option.controlId, checked);
        if (option.companionId != 0) {
            controls_.setEnabled(option.companionId, checked);
        }
    }
}

void OptionPage::applyArguments(ArgumentSet& arguments)
{
    reset();
    take(arguments);
    applyEnablingRule();
}

bool OptionPage::suppressOverriddenOptions(std::wstring& earlierText) const
{
    bool overrides = false;
    for (const OptionSpec& option : table_) {
        if (option.overrides.empty() || !controls_.isChecked(option.checkId)) {
            continue;
        }
        for (const std::wstring_view name : option.overrides) {
            removeOption(earlierText, name);
        }
        overrides = true;
    }
    return overrides;
}

} // namespace options
