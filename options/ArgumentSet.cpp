#include "options/ArgumentSet.h"

#include "options/ArgumentQuoting.h"

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
        order_.push_back({true, options_.size()});
        options_.push_back(std::move(argument));
        consumed_.push_back(false);
    } else {
        order_.push_back({false, fileArguments_.size()});
        fileArguments_.push_back(std::move(argument));
    }
}

ArgumentSet ArgumentSet::fromParameterText(std::wstring_view text)
{
    ArgumentSet set;
    set.keepsWords_ = true;
    std::wstring current;
    bool inArgument = false;
    bool inQuotes = false;
    size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (isBlank(c) && !inQuotes) {
            // Backslashes escape only a quote right after them: the count ends with
            // the word, so a word ending in one does not escape the next word's quote.
            backslashes = 0;
            if (inArgument) {
                set.add(std::move(current));
                current.clear();
                inArgument = false;
            }
            continue;
        }
        if (c == L'"' && backslashes % 2 == 0) {
            inQuotes = !inQuotes;
        }
        backslashes = c == L'\\' ? backslashes + 1 : 0;
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
        const bool isOption = !argument.empty() && argument.front() == L'-';
        set.add(isOption ? argumentText(argument) : argument);
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

std::wstring ArgumentSet::unconsumedText() const
{
    std::wstring text;
    for (const Place& place : order_) {
        if (place.isOption ? consumed_[place.index] : !keepsWords_) {
            continue;
        }
        if (!text.empty()) {
            text.push_back(L' ');
        }
        text += place.isOption ? options_[place.index] : fileArguments_[place.index];
    }
    return text;
}

} // namespace options
