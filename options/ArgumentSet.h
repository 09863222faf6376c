// The arguments a settings sheet starts from: options (words beginning with "-"),
// file arguments (everything else; the first is the input file, the second the
// output file) and one "consumed" flag per option, set by the page that takes it.
// Options are held as argument text (quoted by the platform's rules where needed),
// the form in which they are shown, composed and stored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace options {

class ArgumentSet {
public:
    ArgumentSet() = default;

    // Splits a parameter text at unquoted spaces and tabs. Double quotes toggle the
    // quoted state (a quote after an odd number of backslashes is a literal one) and
    // stay part of the argument; an argument still inside quotes at the end of the
    // text ends there, its quote kept. The empty text gives an empty set. Words that
    // are not options stay in their place in unconsumedText(). A text that these rules
    // leave inside quotes at its end was written with plain quotes (a quote after a
    // backslash closing too, as in "C:\My Fonts\"): it is read by plain toggling.
    static ArgumentSet fromParameterText(std::wstring_view text);
    // Sorts arguments that the platform has already split (quotes removed); options
    // are quoted again so that their text splits back into the same arguments.
    static ArgumentSet fromCommandLine(const std::vector<std::wstring>& args);

    const std::vector<std::wstring>& options() const { return options_; }
    const std::vector<std::wstring>& fileArguments() const { return fileArguments_; }
    size_t optionCount() const { return options_.size(); }
    size_t fileArgumentCount() const { return fileArguments_.size(); }

    // False for an index past the end.
    bool consumed(size_t index) const;
    // Ignored for an index past the end.
    void markConsumed(size_t index);

    // Extends the file arguments with empty texts to index + 1 entries when shorter,
    // then replaces the entry at index.
    void setFileArgument(size_t index, std::wstring text);

    // The options nobody consumed, in their order, joined by single spaces. In a set
    // built from a parameter text, the words that are not options keep their places
    // among them, so nothing of the text is lost.
    std::wstring unconsumedText() const;

private:
    // An argument's place in the order it came: an option or a file argument by index.
    struct Place {
        bool isOption = false;
        size_t index = 0;
    };

    void add(std::wstring argument);

    enum class QuoteRule {
        Platform, // a quote after an odd number of backslashes is a literal one
        Plain,    // every quote opens or closes a quoted part
    };
    static std::vector<std::wstring> splitWords(std::wstring_view text, QuoteRule rule, bool& endsInQuotes);

    std::vector<Place> order_;
    bool keepsWords_ = false;
    std::vector<std::wstring> options_;
    std::vector<std::wstring> fileArguments_;
    std::vector<bool> consumed_;
};

} // namespace options
