// Turns the pages' controls into the options text and the converter command line,
// and applies a parameter text back to the pages.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace options {

class ArgumentSet;
class OptionPage;

// Removes the first occurrence of name (case-sensitive substring) from text: with its
// "=value" up to the next space or tab when "=" follows, the name alone when a blank
// or the end follows, nothing when the name only begins a longer word. The blank in
// front of it stays.
void removeOption(std::wstring& text, std::wstring_view name);

// The Miscellaneous page's "Additional Parameters" and "Generated Command Line" boxes.
class CommandLineBoxes {
public:
    virtual ~CommandLineBoxes() = default;
    virtual std::wstring additionalParameters() = 0;
    virtual void setAdditionalParameters(const std::wstring& text) = 0;
    virtual void setGeneratedCommandLine(const std::wstring& text) = 0;
};

// The input and the output file name as the user gave them (without quotes).
struct FileNames {
    std::wstring input;
    std::wstring output;
};

class CommandLineComposer {
public:
    using FileNameSource = std::function<FileNames()>;

    // pages: the Basic page first, the Advanced page second; fileNames gives the file
    // names for the command line (none: two empty names).
    CommandLineComposer(std::vector<OptionPage*> pages, CommandLineBoxes& boxes, FileNameSource fileNames = {})
        : pages_(std::move(pages)), boxes_(boxes), fileNames_(std::move(fileNames))
    {
    }

    // The options text of all pages, later pages stripping what they override from
    // earlier texts; then, when asked, the additional parameters with line breaks
    // turned into spaces.
    std::wstring composeParameterText(bool includeAdditional);
    // The options text, then the input and the output file name, each quoted.
    std::wstring composeCommandLine(bool includeAdditional);
    // The "Generated Command Line" box becomes composeCommandLine(false).
    void refreshGeneratedCommandLine();
    // Applies a parameter text (a history entry, or "" for the defaults) to every
    // page, shows what none of them took and refreshes the generated command line.
    void applyParameterText(std::wstring_view text);
    // The "Additional Parameters" box becomes the set's unconsumed options.
    void showUnconsumedOptions(const ArgumentSet& arguments);

private:
    std::vector<OptionPage*> pages_;
    CommandLineBoxes& boxes_;
    FileNameSource fileNames_;
};

// Turns CR LF, then lone CR and LF, into single spaces.
std::wstring lineBreaksToSpaces(std::wstring_view text);

} // namespace options
