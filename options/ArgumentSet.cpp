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
    bool endsInQuotes = false;
    std::vector<std::wstring> words = splitWords(text, QuoteRule::Platform, endsInQuotes);
    bool plainEndsInQuotes = true;
    std::vector<std::wstring> plainWords;
    if (endsInQuotes) {
        plainWords = splitWords(text, QuoteRule::Plain, plainEndsInQuotes);
    }
    if (!plainEndsInQuotes) {
        // Text written with plain quotes and no escapes ("C:\My Fonts\" holds a folder
        // ending in a backslash): every quote opens or closes, backslashes are literal.
        // Each word is quoted again by the platform's rules so that it means the same.
        // A quote that no reading closes stays as the platform's rules read it.
        words = std::move(plainWords);
        for (std::wstring& word : words) {
            std::wstring meaning;
            for (const wchar_t c : word) {
                if (c != L'"') {
                    meaning.push_back(c);
                }
            }
            word = argumentText(meaning);
        }
    }
    for (std::wstring& word : words) {
        set.add(std::move(word));
    }
    return set;
}

std::vector<std::wstring> ArgumentSet::splitWords(std::wstring_view text, QuoteRule rule, bool& endsInQuotes)
{
    std::vector<std::wstring> words;
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
                words.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
            continue;
        }
        if (c == L'"' && (rule == QuoteRule::Plain || backslashes % 2 == 0)) {
            inQuotes = !inQuotes;
        }
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        current.push_back(c);
        inArgument = true;
    }
    // The end of the text ends the last argument, even one still inside quotes.
    if (inArgument) {
        words.push_back(std::move(current));
    }
    endsInQuotes = inQuotes;
    return words;
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
