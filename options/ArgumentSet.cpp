#include "options/ArgumentSet.h"

#include <utility>

namespace options {

namespace {

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

} // namespace

void ArgumentSet::add(std::wstring argument)
{
    if (!argument.empty() && argument.front() == L'-') {
        options_.push_back(std::move(argument));
        consumed_.push_back(false);
    } else {
        fileArguments_.push_back(std::move(argument));
    }
}

ArgumentSet ArgumentSet::fromParameterText(std::wstring_view text)
{
    ArgumentSet set;
    std::wstring current;
    bool inArgument = false;
    bool inQuotes = false;
    for (const wchar_t c : text) {
        if (isBlank(c) && !inQuotes) {
            if (inArgument) {
                set.add(std::move(current));
                current.clear();
                inArgument = false;
            }
            continue;
        }
        if (c == L'"') {
            inQuotes = !inQuotes;
        }
        current.push_back(c);
        inArgument = true;
    }
    // The end of the text ends the last argument, even one still inside quotes.
    if (inArgument) {
        set.add(std::move(current));
    }
    return set;
}

ArgumentSet ArgumentSet::fromCommandLine(const std::vector<std::wstring>& args)
{
    ArgumentSet set;
    for (const std::wstring& argument : args) {
        set.add(argument);
    }
    return set;
}

bool ArgumentSet::consumed(size_t index) const
{
    return index < consumed_.size() && consumed_[index];
}

void ArgumentSet::markConsumed(size_t index)
{
    if (index < consumed_.size()) {
        consumed_[index] = true;
    }
}

void ArgumentSet::setFileArgument(size_t index, std::wstring text)
{
    if (fileArguments_.size() < index + 1) {
        fileArguments_.resize(index + 1);
    }
    fileArguments_[index] = std::move(text);
}

std::wstring ArgumentSet::unconsumedOptionsText() const
{
    std::wstring text;
    for (size_t i = 0; i < options_.size(); ++i) {
        if (consumed_[i]) {
            continue;
        }
        if (!text.empty()) {
            text.push_back(L' ');
        }
        text += options_[i];
    }
    return text;
}

} // namespace options
