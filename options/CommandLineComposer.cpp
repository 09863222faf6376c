#include "options/CommandLineComposer.h"

#include "options/ArgumentQuoting.h"
#include "options/OptionEngine.h"

#include "options/ArgumentSet.h"

namespace options {

void removeOption(std::wstring& text, std::wstring_view name)
{
    if (name.empty()) {
        return;
    }
    const size_t start = text.find(name);
    if (start == std::wstring::npos) {
        return;
    }
    const size_t after = start + name.size();
    if (after == text.size() || text[after] == L' ' || text[after] == L'\t') {
        text.erase(start, name.size());
    } else if (text[after] == L'=') {
        const size_t end = text.find_first_of(L" \t", after);
        text.erase(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    }
    // Otherwise the name only begins a longer word: nothing to remove.
}

std::wstring lineBreaksToSpaces(std::wstring_view text)
{
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            result.push_back(L' ');
            ++i;
        } else if (c == L'\r' || c == L'\n') {
            result.push_back(L' ');
        } else {
            result.push_back(c);
        }
    }
    return result;
}

std::wstring CommandLineComposer::composeParameterText(bool includeAdditional)
{
    std::vector<std::wstring> texts;
    texts.reserve(pages_.size());
    for (const OptionPage* page : pages_) {
        texts.push_back(page->generateArguments());
    }
    // A later page may override options of an earlier one; its own text stays as it is.
    for (size_t later = 1; later < pages_.size(); ++later) {
        for (size_t earlier = 0; earlier < later; ++earlier) {
            pages_[later]->suppressOverriddenOptions(texts[earlier]);
        }
    }
    std::wstring result;
    for (const std::wstring& text : texts) {
        // Every text is appended, even an empty one, so an empty last text leaves a
        // trailing space.
        if (!result.empty()) {
            result.push_back(L' ');
        }
        result += text;
    }
    if (includeAdditional) {
        const std::wstring additional = lineBreaksToSpaces(boxes_.additionalParameters());
        if (!result.empty()) {
            result.push_back(L' ');
        }
        result += additional;
    }
    return result;
}

std::wstring CommandLineComposer::composeCommandLine(bool includeAdditional)
{
    std::wstring result = composeParameterText(includeAdditional);
    const FileNames files = fileNames_ ? fileNames_() : FileNames{};
    if (!result.empty()) {
        result.push_back(L' ');
    }
    result += quotedArgument(files.input);
    result.push_back(L' ');
    result += quotedArgument(files.output);
    return result;
}

void CommandLineComposer::refreshGeneratedCommandLine()
{
    boxes_.setGeneratedCommandLine(composeCommandLine(false));
}

void CommandLineComposer::applyParameterText(std::wstring_view text)
{
    ArgumentSet arguments = ArgumentSet::fromParameterText(text);
    for (OptionPage* page : pages_) {
        page->applyArguments(arguments);
    }
    showUnconsumedOptions(arguments);
    refreshGeneratedCommandLine();
}

void CommandLineComposer::showUnconsumedOptions(const ArgumentSet& arguments)
{
    boxes_.setAdditionalParameters(arguments.unconsumedText());
}

} // namespace options
